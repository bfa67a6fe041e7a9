#include "CQtProgress.h"

#include <QProgressBar>

void CQtProgress::SetRange(int lower, int upper) {
    if (!m_bar) return;
    m_bar->setRange(lower, upper);
    Show(lower);
}

void CQtProgress::SetStep(int step) { m_step = step; }

void CQtProgress::StepIt() {
    if (!m_bar) return;
    // Like a progress control, stepping past the upper end wraps round to the lower end.
    int pos = m_bar->value() + m_step;
    if (pos > m_bar->maximum()) pos = m_bar->minimum() + (pos - m_bar->maximum()) - 1;
    if (pos < m_bar->minimum()) pos = m_bar->minimum();
    Show(pos);
}

void CQtProgress::SetPos(int pos) {
    if (m_bar) Show(pos);
}

void CQtProgress::Show(int pos) {
    // The bar repaints itself at once when the change shows; most steps of a long loop move
    // it by less than a pixel.
    m_bar->setValue(pos);
}
