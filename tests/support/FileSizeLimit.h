#pragma once
// Makes file writes fail as on a full disk: while an object lives, this process may not grow
// any file past the given size (writes beyond it fail with EFBIG) and SIGXFSZ is ignored, so
// the failure reaches the writer instead of ending the process. Both are restored when the
// object goes. Keep the object's scope tight: every file of the process is limited.

#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        m_saved = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = m_saved && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_saved) setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_saved = false;
    bool m_active = false;
};
