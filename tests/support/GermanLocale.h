#pragma once
// Runs a block under a German numeric locale (decimal comma) when the system has one.

#include <clocale>
#include <string>

class CGermanLocale {
public:
    CGermanLocale() {
        m_previous = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name)) {
                m_active = true;
                break;
            }
        }
    }
    ~CGermanLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    CGermanLocale(const CGermanLocale&) = delete;
    CGermanLocale& operator=(const CGermanLocale&) = delete;

    bool IsActive() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};
