// The view: display bitmap and its reduction, zoom steps, scroll bars and scroll messages,
// centring, panning, auto-scroll and the conversions, checked on the rendered window.
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>
#include <cmath>
#include <functional>
#include <random>

#include "AppTestSupport.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CRaster.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "controls/CMeasureCursors.h"

namespace {

class ViewTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
    }
    void TearDown() override {
        CTesseloView::SetDisplayPixelBudget(m_budget);
        AppTest::TearDown();
    }

    // A document whose w x h image is red left of column `edge` and blue from it on, shown in
    // a window with a viewport of 300 x 200 pixels (without scroll bars).
    CTesseloView* Show(int w, int h, int edge = 0) {
        CTesseloDoc* doc = App()->OnFileNew();
        doc->m_image.Create(w, h, 24, FORMAT_UNKNOWN);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                doc->m_image.SetPixelColor(
                    x, y, x < edge ? RGBQUAD{0, 0, 255, 0} : RGBQUAD{255, 0, 0, 0});
        CTesseloView* view = doc->GetFirstView();
        auto* frame = static_cast<QMdiSubWindow*>(view->parentWidget());
        frame->resize(frame->size() - view->size() + QSize(300, 200));
        doc->SetImageChanged();
        ProcessEvents();
        return view;
    }

    // Paints the view as it stands and returns what the window shows.
    static QImage Render(CTesseloView* view) {
        return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    static void Mouse(CTesseloView* view, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), view->viewport()->mapToGlobal(QPointF(at)), button,
                          buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &event);
    }

    qint64 m_budget = CTesseloView::DisplayPixelBudget();
};

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

// What the display bitmap shows of an image drawn at width x height: every display pixel the
// image pixel that nearest-neighbour sampling picks (single-precision scale factors, rows
// bottom-up), blended over white by the alpha plane when there is one.
QImage ExpectedDisplay(const CRaster& image, int width, int height) {
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    const float sx = float(w) / float(width), sy = float(h) / float(height);
    QImage expected(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const int row = std::clamp(h - int(std::ceil(float(y + 1) * sy)), 0, h - 1);
        for (int x = 0; x < width; ++x) {
            const int col = std::clamp(int(std::floor(float(x) * sx)), 0, w - 1);
            const RGBQUAD c = image.GetPixelColor(col, row);
            const uint32_t a = image.HasAlpha() ? image.GetAlpha(col, row) : 255;
            const auto mix = [a](uint32_t v) {
                return a == 0 ? 255 : a == 255 ? int(v) : int((255 * (255 - a) + v * a) >> 8);
            };
            expected.setPixel(x, y, qRgb(mix(c.rgbRed), mix(c.rgbGreen), mix(c.rgbBlue)));
        }
    }
    return expected;
}

}  // namespace

TEST_F(ViewTest, ASmallImageIsCentredWithoutScrollBarsAndDoesNotPan) {
    CTesseloView* view = Show(100, 50);
    const QImage shown = Render(view);
    EXPECT_EQ(view->viewport()->size(), QSize(300, 200));
    EXPECT_EQ(view->CentringOffset(), QPoint(100, 75));
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());
    EXPECT_EQ(shown.pixel(99, 74), kWhite);
    EXPECT_EQ(shown.pixel(100, 75), kBlue);
    EXPECT_EQ(shown.pixel(199, 124), kBlue);
    EXPECT_EQ(shown.pixel(200, 125), kWhite);
    EXPECT_EQ(view->ClientToImage(QPointF(100, 75)), QPointF(0, 0));

    Mouse(view, QEvent::MouseButtonPress, {150, 100}, Qt::MiddleButton, Qt::MiddleButton);
    Mouse(view, QEvent::MouseMove, {100, 60}, Qt::NoButton, Qt::MiddleButton);
    Mouse(view, QEvent::MouseButtonRelease, {100, 60}, Qt::MiddleButton, Qt::NoButton);
    Render(view);
    EXPECT_EQ(view->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(view->CentringOffset(), QPoint(100, 75));
}

TEST_F(ViewTest, ScrollBarsStartCentredAndKeepTheirRelativePositionOverAZoom) {
    CTesseloView* view = Show(1000, 800);
    Render(view);
    QScrollBar* h = view->horizontalScrollBar();
    QScrollBar* v = view->verticalScrollBar();
    ASSERT_TRUE(h->isVisible());
    ASSERT_TRUE(v->isVisible());
    const QSize client = view->viewport()->size();
    EXPECT_EQ(h->maximum(), 1000 - client.width());
    EXPECT_EQ(v->maximum(), 800 - client.height());
    EXPECT_EQ(h->value(), h->maximum() / 2);
    EXPECT_EQ(view->CentringOffset(), QPoint(0, 0));

    // Scroll messages: lines of 20, pages of 300, the thumb's position, end-scroll nothing.
    const struct {
        int code;
        int position;
        int expected;
    } messages[] = {
        {CTesseloView::SB_THUMBTRACK, 100, 100},    {CTesseloView::SB_LINEDOWN, 0, 120},
        {CTesseloView::SB_LINEUP, 0, 100},          {CTesseloView::SB_PAGEDOWN, 0, 400},
        {CTesseloView::SB_PAGEUP, 0, 100},          {CTesseloView::SB_ENDSCROLL, 500, 100},
        {CTesseloView::SB_THUMBPOSITION, 350, 350},
    };
    for (const auto& m : messages) {
        view->OnScroll(Qt::Horizontal, m.code, m.position);
        EXPECT_EQ(h->value(), m.expected) << m.code;
    }
    const QImage shown = Render(view);
    EXPECT_EQ(shown.pixel(0, 0), kBlue);

    const double relative = double(h->value()) / h->maximum();
    App()->RouteCommand(cmd::ID_ZOOM_IN);
    Render(view);
    EXPECT_EQ(view->Zoom(), 1.25);
    EXPECT_EQ(h->maximum(), 1250 - view->viewport()->width());
    EXPECT_EQ(h->value(), static_cast<int>(relative * h->maximum()));
}

TEST_F(ViewTest, TheImageLiesExactlyWhereTheConversionsPutIt) {
    // At zoom 3 and scrolled, the red/blue edge at image column 37 must be drawn at the client
    // column that ImageToClient gives, and whole display pixels must be 3 screen pixels wide.
    CTesseloView* view = Show(200, 150, 37);
    view->SetZoom(3.0);
    view->Repaint();
    Render(view);
    view->OnScroll(Qt::Horizontal, CTesseloView::SB_THUMBTRACK, 10);
    const QImage shown = Render(view);
    const int edge = static_cast<int>(view->ImageToClient(QPointF(37, 0)).x());
    EXPECT_EQ(edge, 37 * 3 - 10);
    EXPECT_EQ(shown.pixel(edge - 1, 50), kRed);
    EXPECT_EQ(shown.pixel(edge, 50), kBlue);
}

TEST_F(ViewTest, ZoomStepsTestTheLimitBeforeTheStep) {
    CTesseloView* view = Show(20, 20);
    view->SetZoom(14.0);
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_ZOOM_IN).IsEnabled());
    App()->RouteCommand(cmd::ID_ZOOM_IN);
    EXPECT_DOUBLE_EQ(view->Zoom(), 17.5);
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_ZOOM_IN).IsEnabled());
    view->ZoomInStep();
    EXPECT_DOUBLE_EQ(view->Zoom(), 17.5);

    view->SetZoom(0.09);
    App()->RouteCommand(cmd::ID_ZOOM_OUT);
    EXPECT_DOUBLE_EQ(view->Zoom(), 0.072);
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_ZOOM_OUT).IsEnabled());

    view->SetZoom(1.0);
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_ZOOM_100).IsEnabled());
    QWheelEvent up(QPointF(5, 5), view->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                   QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &up);
    EXPECT_DOUBLE_EQ(view->Zoom(), 1.25);
    EXPECT_TRUE(up.isAccepted());
    view->ZoomByWheel(-120);
    view->ZoomByWheel(0);
    EXPECT_DOUBLE_EQ(view->Zoom(), 1.0);
    view->ZoomByWheel(-1);
    EXPECT_DOUBLE_EQ(view->Zoom(), 0.8);
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_ZOOM_100).IsEnabled());
    App()->RouteCommand(cmd::ID_ZOOM_100);
    EXPECT_DOUBLE_EQ(view->Zoom(), 1.0);
}

TEST_F(ViewTest, AnImageTooLargeForTheDisplayIsShownReduced) {
    CTesseloView::SetDisplayPixelBudget(100 * 80 - 1);
    CTesseloView* view = Show(100, 80, 50);
    EXPECT_EQ(view->ReductionFactor(), 1.6);
    EXPECT_EQ(view->DisplaySize(), QSize(62, 50));
    EXPECT_EQ(view->Zoom(), 1.6);  // 100 %
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(
        m_ui.messages[0],
        QString::asprintf(LoadQString(10121).toUtf8().constData(), 100, 80, 62, 50).toStdString());
    // Image coordinates stay at full resolution through the factor.
    EXPECT_DOUBLE_EQ(view->DisplayToImage(QPointF(31.25, 10)).x(), 50.0);
    EXPECT_DOUBLE_EQ(view->ImageToDisplay(QPointF(50, 16)).y(), 10.0);
    view->SetZoom(3.0);
    App()->RouteCommand(cmd::ID_ZOOM_100);
    EXPECT_EQ(view->Zoom(), 1.6);
    const QImage shown = Render(view);
    const QPoint c = view->CentringOffset();
    EXPECT_EQ(shown.pixel(c.x() + 1, c.y() + 1), kRed);
    EXPECT_EQ(shown.pixel(c.x() + 97, c.y() + 1), kBlue);

    // Two steps: 1.6 * 1.6.
    CTesseloView::SetDisplayPixelBudget(39 * 31);
    view->BuildDisplayBitmap(true);
    EXPECT_DOUBLE_EQ(view->ReductionFactor(), 1.6 * 1.6);
    EXPECT_EQ(view->DisplaySize(), QSize(39, 31));
}

TEST_F(ViewTest, TheDisplayBitmapShowsEveryPixelOfEveryKindOfImage) {
    // Odd widths pad every row; the palettes and pixels are random.
    const struct {
        const char* name;
        uint32_t bpp;
        bool alpha;
        bool reduced;
    } cases[] = {
        {"1 bit", 1, false, false},        {"4 bit", 4, false, false},
        {"8 bit", 8, false, false},        {"24 bit", 24, false, false},
        {"1 bit reduced", 1, false, true}, {"4 bit reduced", 4, false, true},
        {"8 bit reduced", 8, false, true}, {"24 bit reduced", 24, false, true},
        {"alpha", 24, true, false},        {"alpha reduced", 24, true, true},
    };
    std::mt19937 random(17);
    for (const auto& c : cases) {
        constexpr int kWidth = 101, kHeight = 67;
        CTesseloView::SetDisplayPixelBudget(c.reduced ? kWidth * kHeight - 1 : m_budget);
        CTesseloDoc* doc = App()->OnFileNew();
        CRaster& image = doc->m_image;
        image.Create(kWidth, kHeight, c.bpp, FORMAT_UNKNOWN);
        for (uint32_t i = 0; i < image.GetNumColors(); ++i)
            image.SetPaletteColor(uint8_t(i), uint8_t(random()), uint8_t(random()),
                                  uint8_t(random()));
        if (c.alpha) image.CreateAlpha();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (c.bpp == 24)
                    image.SetPixelColor(
                        x, y, RGBQUAD{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0});
                else
                    image.SetPixelIndex(x, y, uint8_t(random() % image.GetNumColors()));
                if (c.alpha) image.SetAlpha(x, y, uint8_t(random()));
            }
        doc->SetImageChanged();
        ProcessEvents();
        CTesseloView* view = doc->GetFirstView();
        const QSize size = c.reduced ? QSize(63, 41) : QSize(kWidth, kHeight);
        ASSERT_EQ(view->DisplaySize(), size) << c.name;
        EXPECT_EQ(view->DisplayBitmap().convertToFormat(QImage::Format_RGB32),
                  ExpectedDisplay(image, size.width(), size.height()))
            << c.name;
        doc->OnCloseDocument();
        ProcessEvents();
    }
}

TEST_F(ViewTest, EveryPartOfTheDisplayIsDrawnWhenItComesIntoView) {
    // A random picture at 100 %: every window pixel over the image shows the image pixel under
    // it, through scrolling and a flip (the bitmap is drawn into again); at the end the whole
    // bitmap is the image.
    CTesseloView* view = Show(1000, 800);
    CTesseloDoc* doc = view->GetDocument();
    std::mt19937 random(5);
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 1000; ++x)
            doc->m_image.SetPixelColor(
                x, y, RGBQUAD{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0});
    doc->SetImageChanged();
    ProcessEvents();
    const struct {
        const char* name;
        std::function<void()> step;
    } steps[] = {
        {"first paint", [] {}},
        {"scrolled to the top",
         [view] { view->OnScroll(Qt::Vertical, CTesseloView::SB_THUMBTRACK, 0); }},
        {"scrolled to the right",
         [view] { view->OnScroll(Qt::Horizontal, CTesseloView::SB_THUMBTRACK, 690); }},
        {"flipped", [doc] { doc->OnMirrorVertical(); }},
    };
    for (const auto& s : steps) {
        s.step();
        const QImage shown = Render(view);
        const QImage expected = ExpectedDisplay(doc->m_image, 1000, 800);
        int wrong = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPointF p = view->ClientToImage(QPointF(x + 0.5, y + 0.5));
                wrong += shown.pixel(x, y) != expected.pixel(int(p.x()), int(p.y()));
            }
        EXPECT_EQ(wrong, 0) << s.name;
    }
    EXPECT_EQ(view->DisplayBitmap(), ExpectedDisplay(doc->m_image, 1000, 800));
}

TEST_F(ViewTest, WhenNoDisplaySizeCanBeMadeTheWindowStaysEmptyAndRefusesPicks) {
    CTesseloView::SetDisplayPixelBudget(0);
    CTesseloView* view = Show(100, 80);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    // The last size tried: 100 and 80 divided by 1.6 to the 9th power.
    EXPECT_EQ(m_ui.messages[0],
              QString::asprintf(LoadQString(10074).toUtf8().constData(), 1, 1).toStdString());
    EXPECT_FALSE(view->HasDisplay());
    EXPECT_EQ(view->DisplaySize(), QSize());
    EXPECT_EQ(view->ReductionFactor(), 1.0);
    view->ResetDragState();
    EXPECT_EQ(view->m_dragState, CTesseloView::kDragIdle);
    const QImage shown = Render(view);
    EXPECT_EQ(shown.pixel(150, 100), kWhite);
}

TEST_F(ViewTest, TheMiddleButtonKeepsTheGrabbedPointUnderTheMouse) {
    CTesseloView* view = Show(1000, 800);
    Render(view);
    QScrollBar* h = view->horizontalScrollBar();
    QScrollBar* v = view->verticalScrollBar();
    const QPoint start(h->value(), v->value());
    const QPointF grabbed = view->ClientToImage(QPointF(100, 100));
    Mouse(view, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton, Qt::MiddleButton);
    // The program's own pan cursor.
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(view->viewport()->cursor().hotSpot(),
              CMeasureCursors::Cursor(CMeasureCursors::kPan).hotSpot());
    Mouse(view, QEvent::MouseMove, {130, 80}, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(h->value(), start.x() - 30);
    EXPECT_EQ(v->value(), start.y() + 20);
    EXPECT_EQ(view->ClientToImage(QPointF(130, 80)), grabbed);
    // Limited to the range.
    Mouse(view, QEvent::MouseMove, {5000, 80}, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(h->value(), 0);
    Mouse(view, QEvent::MouseButtonRelease, {5000, 80}, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(view->RedrawPending());
}

TEST_F(ViewTest, ALeftDragOutsideTheWindowScrollsByTheOvershoot) {
    CTesseloView* view = Show(1000, 800);
    Render(view);
    QScrollBar* h = view->horizontalScrollBar();
    QScrollBar* v = view->verticalScrollBar();
    const QSize client = view->viewport()->size();
    const QPoint start(h->value(), v->value());
    Mouse(view, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, {client.width() + 7, -4}, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(view->AutoScrolling());
    view->OnAutoScrollTimer();
    EXPECT_EQ(h->value(), start.x() + 7);
    EXPECT_EQ(v->value(), start.y() - 4);
    view->OnAutoScrollTimer();
    EXPECT_EQ(h->value(), start.x() + 14);

    Mouse(view, QEvent::MouseMove, {50, 50}, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(view->AutoScrolling());
    Mouse(view, QEvent::MouseMove, {-10, 50}, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(view->AutoScrolling());
    Mouse(view, QEvent::MouseButtonRelease, {-10, 50}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(view->AutoScrolling());
    // Without the left button nothing starts.
    Mouse(view, QEvent::MouseMove, {-10, 50}, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(view->AutoScrolling());
}

TEST_F(ViewTest, GainingTheFocusShowsTheDocumentsStep) {
    CTesseloView* view = Show(20, 20);
    GetActiveDocument()->m_workflowStep = 6;
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(view, &focus);
    ProcessEvents();
    EXPECT_EQ(App()->MainFrame()->AssistantStep(), 6);
}
