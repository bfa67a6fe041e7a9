#pragma once
// A dock bar that keeps one size per way of being placed: docked at the top or bottom
// (horizontal), at the left or right (vertical), and floating. The main window's dock layout
// shares rows and moves the sizing edges; the bar gives it the stored size of its placement,
// keeps the minimums and stores the size the user gives it. Sizes are in pixels (width x height).
//
// Sizes can be kept in the settings store under the section "<profile>-ResBar-<id>".

#include <QDockWidget>
#include <QSize>
#include <QString>

class QMainWindow;
class QPainter;
class QRect;

class CResizableBar : public QDockWidget {
    Q_OBJECT

public:
    enum class Placement { Horizontal, Vertical, Floating };

    // Ids of the places a bar can sit in.
    static constexpr unsigned kDockTop = 0xE81B;
    static constexpr unsigned kDockLeft = 0xE81C;
    static constexpr unsigned kDockRight = 0xE81D;
    static constexpr unsigned kDockBottom = 0xE81E;
    static constexpr unsigned kDockFloating = 0xE81F;

    CResizableBar();

    // Makes the bar a child of the frame with its title and control id.
    virtual bool Create(const QString& title, QMainWindow* parent, int id);
    // The same, with every one of the three sizes set to defaultSize first.
    virtual bool Create(const QString& title, QMainWindow* parent, QSize defaultSize, int id);

    // Reads the six size values; a missing value keeps the current size, every value is raised
    // to its minimum.
    virtual void LoadSizes(const QString& profile);
    virtual void SaveSizes(const QString& profile) const;

    int Id() const { return m_id; }
    Placement CurrentPlacement() const;
    unsigned DockBarId() const;

    QSize HorzSize() const { return m_sizeHorz; }
    QSize VertSize() const { return m_sizeVert; }
    QSize FloatSize() const { return m_sizeFloat; }
    void SetHorzSize(QSize size) { m_sizeHorz = size; }
    void SetVertSize(QSize size) { m_sizeVert = size; }
    void SetFloatSize(QSize size) { m_sizeFloat = size; }

    QSize MinHorzSize() const { return m_minHorz; }
    QSize MinVertSize() const { return m_minVert; }
    QSize MinFloatSize() const { return m_minFloat; }

    // The stored size and the minimum of the current placement.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Gives the bar the stored size of its placement.
    void ApplySize();

    // Paints the gripper into the title strip (strip in the strip's own coordinates).
    virtual void PaintGripper(QPainter& painter, const QRect& strip) const;

protected:
    // Runs when the bar was docked somewhere else, floated or docked again.
    virtual void OnPlacementChanged();

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    QMainWindow* Frame() const;

private:
    void OnTopLevelChanged(bool floating);
    QString Section(const QString& profile) const;
    QSize& StoredSize(Placement placement);
    QSize MinSize(Placement placement) const;

    QSize m_sizeHorz{200, 200};
    QSize m_sizeVert{200, 200};
    QSize m_sizeFloat{200, 200};
    const QSize m_minHorz{33, 32};
    const QSize m_minVert{33, 32};
    const QSize m_minFloat{37, 32};
    int m_id = 0;
    // The placement whose size the bar shows; resizes during a change of placement are not kept.
    Placement m_placement = Placement::Floating;
};

// Reads or writes the sizes of every resizable bar of a frame.
void LoadBarSizes(QMainWindow& frame, const QString& profile);
void SaveBarSizes(const QMainWindow& frame, const QString& profile);
