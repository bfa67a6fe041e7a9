#include "CResizableBar.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QResizeEvent>

#include "CProfile.h"

namespace {

constexpr Qt::DockWidgetArea kAreas[] = {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea,
                                         Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea};

QSize ReadSize(const QByteArray& section, const char* cx, const char* cy, QSize current,
               QSize minimum) {
    return QSize(CProfile::GetInt(section.constData(), cx, current.width()),
                 CProfile::GetInt(section.constData(), cy, current.height()))
        .expandedTo(minimum);
}

void WriteSize(const QByteArray& section, const char* cx, const char* cy, QSize size) {
    CProfile::WriteInt(section.constData(), cx, size.width());
    CProfile::WriteInt(section.constData(), cy, size.height());
}

}  // namespace

CResizableBar::CResizableBar() {
    setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
    connect(this, &QDockWidget::topLevelChanged, this,
            [this](bool floating) { OnTopLevelChanged(floating); });
    connect(this, &QDockWidget::dockLocationChanged, this, [this] {
        if (CurrentPlacement() != m_placement) OnPlacementChanged();
    });
}

bool CResizableBar::Create(const QString& title, QMainWindow* parent, int id) {
    if (!parent) return false;
    setParent(parent);
    setWindowTitle(title);
    m_id = id;
    OnPlacementChanged();
    return true;
}

bool CResizableBar::Create(const QString& title, QMainWindow* parent, QSize defaultSize, int id) {
    m_sizeHorz = m_sizeVert = m_sizeFloat = defaultSize;
    return Create(title, parent, id);
}

QString CResizableBar::Section(const QString& profile) const {
    return QStringLiteral("%1-ResBar-%2").arg(profile).arg(m_id);
}

void CResizableBar::LoadSizes(const QString& profile) {
    const QByteArray section = Section(profile).toUtf8();
    m_sizeHorz = ReadSize(section, "sizeHorzCX", "sizeHorzCY", m_sizeHorz, m_minHorz);
    m_sizeVert = ReadSize(section, "sizeVertCX", "sizeVertCY", m_sizeVert, m_minVert);
    m_sizeFloat = ReadSize(section, "sizeFloatCX", "sizeFloatCY", m_sizeFloat, m_minFloat);
}

void CResizableBar::SaveSizes(const QString& profile) const {
    const QByteArray section = Section(profile).toUtf8();
    WriteSize(section, "sizeHorzCX", "sizeHorzCY", m_sizeHorz);
    WriteSize(section, "sizeVertCX", "sizeVertCY", m_sizeVert);
    WriteSize(section, "sizeFloatCX", "sizeFloatCY", m_sizeFloat);
}

QMainWindow* CResizableBar::Frame() const { return qobject_cast<QMainWindow*>(parentWidget()); }

CResizableBar::Placement CResizableBar::CurrentPlacement() const {
    QMainWindow* frame = Frame();
    if (isFloating() || !frame) return Placement::Floating;
    switch (frame->dockWidgetArea(const_cast<CResizableBar*>(this))) {
        case Qt::TopDockWidgetArea:
        case Qt::BottomDockWidgetArea:
            return Placement::Horizontal;
        case Qt::LeftDockWidgetArea:
        case Qt::RightDockWidgetArea:
            return Placement::Vertical;
        default:
            return Placement::Floating;
    }
}

unsigned CResizableBar::DockBarId() const {
    QMainWindow* frame = Frame();
    if (isFloating() || !frame) return kDockFloating;
    switch (frame->dockWidgetArea(const_cast<CResizableBar*>(this))) {
        case Qt::TopDockWidgetArea:
            return kDockTop;
        case Qt::LeftDockWidgetArea:
            return kDockLeft;
        case Qt::RightDockWidgetArea:
            return kDockRight;
        case Qt::BottomDockWidgetArea:
            return kDockBottom;
        default:
            return kDockFloating;
    }
}

QSize& CResizableBar::StoredSize(Placement placement) {
    switch (placement) {
        case Placement::Horizontal:
            return m_sizeHorz;
        case Placement::Vertical:
            return m_sizeVert;
        case Placement::Floating:
            break;
    }
    return m_sizeFloat;
}

QSize CResizableBar::MinSize(Placement placement) const {
    switch (placement) {
        case Placement::Horizontal:
            return m_minHorz;
        case Placement::Vertical:
            return m_minVert;
        case Placement::Floating:
            break;
    }
    return m_minFloat;
}

QSize CResizableBar::sizeHint() const {
    const Placement placement = CurrentPlacement();
    const QSize stored = placement == Placement::Horizontal ? m_sizeHorz
                         : placement == Placement::Vertical ? m_sizeVert
                                                            : m_sizeFloat;
    return stored.expandedTo(MinSize(placement));
}

QSize CResizableBar::minimumSizeHint() const { return MinSize(CurrentPlacement()); }

void CResizableBar::ApplySize() {
    const Placement placement = CurrentPlacement();
    const QSize size = sizeHint();
    QMainWindow* frame = Frame();
    switch (placement) {
        case Placement::Floating:
            resize(size);
            break;
        case Placement::Horizontal:
            if (frame) frame->resizeDocks({this}, {size.height()}, Qt::Vertical);
            break;
        case Placement::Vertical:
            if (frame) frame->resizeDocks({this}, {size.width()}, Qt::Horizontal);
            break;
    }
}

void CResizableBar::PaintGripper(QPainter& /*painter*/, const QRect& /*strip*/) const {}

void CResizableBar::OnPlacementChanged() {
    m_placement = CurrentPlacement();
    setMinimumSize(MinSize(m_placement));
    ApplySize();
}

void CResizableBar::OnTopLevelChanged(bool floating) {
    QMainWindow* frame = Frame();
    if (!floating && frame && !isAreaAllowed(frame->dockWidgetArea(this))) {
        // Docked again into a place it may not dock in (its start place): the first allowed one.
        for (Qt::DockWidgetArea area : kAreas) {
            if (isAreaAllowed(area)) {
                frame->addDockWidget(area, this);
                break;
            }
        }
    }
    OnPlacementChanged();
}

void CResizableBar::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    if (isVisible() && CurrentPlacement() == m_placement) StoredSize(m_placement) = event->size();
}

void CResizableBar::closeEvent(QCloseEvent* event) {
    // A docked bar is never closed by a close request; floating, the window's close hides it.
    if (isFloating()) {
        QDockWidget::closeEvent(event);
    } else {
        event->ignore();
    }
}

void LoadBarSizes(QMainWindow& frame, const QString& profile) {
    for (CResizableBar* bar : frame.findChildren<CResizableBar*>()) {
        bar->LoadSizes(profile);
        bar->ApplySize();
    }
}

void SaveBarSizes(const QMainWindow& frame, const QString& profile) {
    for (const CResizableBar* bar : frame.findChildren<CResizableBar*>()) {
        bar->SaveSizes(profile);
    }
}
