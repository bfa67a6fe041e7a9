#include "CQtProgress.h"

#include <QProgressBar>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

CQtProgress::CQtProgress(QProgressBar* bar) : m_bar(bar), m_pos(bar ? bar->value() : 0) {}

void CQtProgress::SetRange(int lower, int upper) {
    if (!m_bar) return;
    m_bar->setRange(lower, upper);
    Show(lower, true);
}

void CQtProgress::SetStep(int step) { m_step = step; }

void CQtProgress::StepIt() {
    if (!m_bar) return;
    // Like a progress control, stepping past the upper end wraps round to the lower end.
    int pos = m_pos + m_step;
    if (pos > m_bar->maximum()) pos = m_bar->minimum() + (pos - m_bar->maximum()) - 1;
    if (pos < m_bar->minimum()) pos = m_bar->minimum();
    Show(pos, false);
}

void CQtProgress::SetPos(int pos) {
    if (m_bar) Show(pos, true);
}

void CQtProgress::Show(int pos, bool always) {
    m_pos = pos;
    // The bar repaints itself at once when a change shows. A step reaches it when it moves
    // the bar by more than a pixel of its width or a hundredth of its range, or to an end:
    // most steps of a long loop are far smaller, and the bar's own check of each is not free.
    const int64_t lower = m_bar->minimum(), upper = m_bar->maximum();
    const int64_t finest = (upper - lower) / std::max(100, m_bar->width());
    if (always || pos == lower || pos == upper ||
        std::llabs(pos - int64_t{m_bar->value()}) > finest)
        m_bar->setValue(pos);
}
