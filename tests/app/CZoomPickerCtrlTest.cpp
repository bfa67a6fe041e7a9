// The magnifier: region fitting, the stretched copy, and the picked image position.
#include <QLabel>
#include <QTest>

#include "AppTestSupport.h"
#include "CPostedEvents.h"
#include "CommandIds.h"
#include "controls/CZoomPickerCtrl.h"

namespace {

// A parent that counts the posted picks.
class PickReceiver : public QWidget {
public:
    bool event(QEvent* e) override {
        if (e->type() == CPostedMessageEvent::TypeId() &&
            static_cast<CPostedMessageEvent*>(e)->Message() == msg::WM_APP_POINT_PICKED) {
            ++picks;
            return true;
        }
        return QWidget::event(e);
    }
    int picks = 0;
};

// Display pixel (x, y) has the colour (x, y, 7), so the copy can be read back.
QImage CodedBitmap(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x, y, 7));
    return image;
}

class ZoomPickerTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        m_picker = new CZoomPickerCtrl(&m_parent);
        m_picker->setGeometry(0, 0, 400, 400);
        m_picker->SetTextStatics(&m_x, &m_y, &m_ratio);
    }
    void Click(int x, int y) {
        QTest::mouseClick(m_picker, Qt::LeftButton, {}, QPoint(x, y));
        ProcessEvents();
    }

    PickReceiver m_parent;
    CZoomPickerCtrl* m_picker = nullptr;
    QLabel m_x, m_y, m_ratio;
    QImage m_bitmap = CodedBitmap(200, 100);
};

TEST_F(ZoomPickerTest, AnEmptyRegionIsRefused) {
    EXPECT_EQ(m_picker->SetSource(&m_bitmap, 10, 10, 10, 30, 1.0, 200, 100), 0);
    EXPECT_EQ(m_picker->SetSource(&m_bitmap, 10, 30, 40, 30, 1.0, 200, 100), 0);
    ASSERT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(m_ui.messages[0].rfind("Fensterbereich hat Ausdehnung '0'", 0), 0u);
}

struct PickCase {
    const char* what;
    int left, top, right, bottom;
    double factor;
    QRect fitted;  // region after fitting (left, top, right, bottom)
    double scaleX, scaleY;
    const char* ratio;
};

TEST_F(ZoomPickerTest, RegionIsFittedToTheControlAndAClickPicksThePixelDrawnUnderIt) {
    const PickCase cases[] = {
        // Square region in a square control: nothing to fit.
        {"square", 10, 20, 50, 60, 1.0, QRect(QPoint(10, 20), QPoint(50, 60)), 401.0 / 41,
         401.0 / 41, "  9.8 : 1"},
        // Tall and narrow: widened about its centre, past the bitmap's left edge.
        {"tall", 10, 20, 30, 80, 1.0, QRect(QPoint(-10, 20), QPoint(53, 80)), 401.0 / 64,
         401.0 / 61, "  6.4 : 1"},
        // Wide and low: heightened about its centre; the scale is that of the copy.
        {"wide, reduced display", 100, 40, 160, 50, 1.6, QRect(QPoint(100, 18), QPoint(160, 73)),
         401.0 / 61, 401.0 / 56, "  6.9 : 1"},
    };
    for (const PickCase& c : cases) {
        ASSERT_EQ(
            m_picker->SetSource(&m_bitmap, c.left, c.top, c.right, c.bottom, c.factor, 200, 100),
            1);
        const QImage shown = m_picker->grab().toImage();  // the first paint fits the region
        EXPECT_EQ(m_picker->GetRegion(), c.fitted) << c.what;
        // Scales are ratios of whole pixel counts; 1e-12 allows for their rounding.
        EXPECT_NEAR(m_picker->GetScaleX(), c.scaleX, 1e-12) << c.what;
        EXPECT_NEAR(m_picker->GetScaleY(), c.scaleY, 1e-12) << c.what;
        EXPECT_EQ(m_ratio.text(), c.ratio) << c.what;

        // The centre of display pixel (dx, dy) in the control shows that pixel, and a click
        // there picks the image position of its centre: (d - 0.5 + 0.5) * factor.
        for (const QPoint d : {QPoint(c.left + 1, c.top + 1), QPoint(c.right - 1, c.bottom - 1)}) {
            const int cx = int((d.x() + 0.5 - c.fitted.left()) * c.scaleX);
            const int cy = int((d.y() + 0.5 - c.fitted.top()) * c.scaleY);
            EXPECT_EQ(shown.pixel(cx, cy), qRgb(d.x(), d.y(), 7)) << c.what;
            const int before = m_parent.picks;
            Click(cx, cy);
            EXPECT_EQ(m_parent.picks, before + 1) << c.what;
            const double px = (c.fitted.left() + cx / c.scaleX - 0.5) * c.factor;
            const double py = (c.fitted.top() + cy / c.scaleY - 0.5) * c.factor;
            // The same arithmetic in the same order: equal to the last bit.
            EXPECT_DOUBLE_EQ(m_picker->GetPickedX(), px) << c.what;
            EXPECT_DOUBLE_EQ(m_picker->GetPickedY(), py) << c.what;
            // Within the pixel: less than half a display pixel from its centre.
            EXPECT_LT(std::abs(m_picker->GetPickedX() - d.x() * c.factor), 0.5 * c.factor);
            EXPECT_LT(std::abs(m_picker->GetPickedY() - d.y() * c.factor), 0.5 * c.factor);
        }
    }
}

TEST_F(ZoomPickerTest, TheWhiteMarginPicksNothing) {
    ASSERT_EQ(m_picker->SetSource(&m_bitmap, 10, 20, 30, 80, 1.0, 200, 100), 1);
    const QImage shown = m_picker->grab().toImage();
    EXPECT_EQ(shown.pixel(20, 200), qRgb(255, 255, 255));  // left of the bitmap
    Click(20, 200);
    EXPECT_EQ(m_parent.picks, 0);
    Click(100, 200);
    EXPECT_EQ(m_parent.picks, 1);
}

TEST_F(ZoomPickerTest, MouseMoveShowsThePositionAndLeavingClearsIt) {
    ASSERT_EQ(m_picker->SetSource(&m_bitmap, 10, 20, 50, 60, 2.0, 200, 100), 1);
    m_picker->grab();
    QTest::mouseMove(m_picker, QPoint(0, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 100), QPointF(200, 100), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_picker, &move);
    const double scale = 401.0 / 41;
    EXPECT_EQ(m_x.text(), QString::asprintf("%f", (10 + 200 / scale - 0.5) * 2.0));
    EXPECT_EQ(m_y.text(), QString::asprintf("%f", (20 + 100 / scale - 0.5) * 2.0));
    QMouseEvent outside(QEvent::MouseMove, QPointF(-5, 100), QPointF(-5, 100), Qt::NoButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_picker, &outside);
    EXPECT_TRUE(m_x.text().isEmpty());
    EXPECT_TRUE(m_y.text().isEmpty());
}

}  // namespace
