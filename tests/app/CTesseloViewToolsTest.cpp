// The view's measuring tools driven by synthetic mouse events on a real view: drags at chosen
// zooms and scroll positions, the magnifier's click, the picked image positions, names, the
// rectangle corners, the distance pair, the crop region, the overlays and the tool commands.
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "controls/CMeasureCursors.h"
#include "controls/CZoomPickerCtrl.h"
#include "dialogs/CPunktAuswaehlenDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"

namespace {

QPoint Truncated(QPointF p) { return QPoint(int(p.x()), int(p.y())); }

class ViewToolsTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        m_view = m_doc->GetFirstView();
        App()->MainFrame()->resize(900, 700);
        App()->MainFrame()->show();
        for (QWidget* w = m_view; w; w = w->parentWidget())
            if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) sub->resize(430, 350);
        ProcessEvents();
        ASSERT_GT(m_view->viewport()->width(), 300);
        ASSERT_LT(m_view->viewport()->width(), 470);  // a 300 x 200 image at zoom 2.56 scrolls
    }
    void TearDown() override {
        CTesseloView::SetDisplayPixelBudget(m_budget);
        AppTest::TearDown();
    }

    // A width x height image with a colour per pixel, shown as a source or target document.
    void LoadImage(int width, int height, bool source) {
        CRaster image(width, height, 24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.SetPixelColor(x, y, RGBQUAD{uint8_t(x), uint8_t(y), uint8_t(x + y), 0});
        m_doc->m_image.Copy(image);
        m_doc->m_isSource = source ? 1 : 0;
        m_doc->SetImageChanged();
        m_doc->ArmFirstView();
        Paint();
    }
    // Renders the view: scroll bars and centring follow the zoom.
    QImage Paint() { return m_view->viewport()->grab().toImage(); }
    void ZoomAndScroll(double zoom, int sx = 0, int sy = 0) {
        m_view->SetZoom(zoom);
        m_view->Repaint();
        Paint();
        m_view->horizontalScrollBar()->setValue(sx);
        m_view->verticalScrollBar()->setValue(sy);
        Paint();
    }

    void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), m_view->viewport()->mapToGlobal(QPointF(p)), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
    }
    void Press(QPoint p) { Mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void MoveDragging(QPoint p) { Mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void Move(QPoint p) { Mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void Release(QPoint p) { Mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        MoveDragging(to);
        Release(to);
        ProcessEvents();
    }

    // What the scripted magnifier saw and did.
    struct Pick {
        QRect region;  // as the view handed it, before fitting
        QRect fitted;
        double scaleX = 0, scaleY = 0;
        QPoint click;
        QString title;
    };
    // Scripts the pick dialog: a click at the centre of display pixel `display`.
    void ScriptPick(QPoint display, Pick* seen) {
        m_dialogScripts.push_back([display, seen](QDialog& d) {
            auto& dialog = static_cast<CPunktAuswaehlenDlg&>(d);
            CZoomPickerCtrl* picker = dialog.Picker();
            seen->region = picker->GetRegion();
            seen->title = dialog.windowTitle();
            picker->grab();
            seen->fitted = picker->GetRegion();
            seen->scaleX = picker->GetScaleX();
            seen->scaleY = picker->GetScaleY();
            seen->click = QPoint(int((display.x() + 0.5 - seen->fitted.left()) * seen->scaleX),
                                 int((display.y() + 0.5 - seen->fitted.top()) * seen->scaleY));
            QTest::mouseClick(picker, Qt::LeftButton, {}, seen->click);
            ProcessEvents();  // the posted pick reaches the dialog
            return d.result();
        });
    }
    void ScriptName(const QString& name) {
        m_dialogScripts.push_back([name](QDialog& d) {
            d.findChild<QLineEdit*>("1004")->setText(name);
            static_cast<CPunktbezeichnungDlg&>(d).OnOK();
            return d.result();
        });
    }
    void ScriptCancel() {
        m_dialogScripts.push_back([](QDialog& d) {
            d.reject();
            return int(QDialog::Rejected);
        });
    }
    // Drags a 17 x 13 rectangle around the client position of display pixel `display`, and
    // clicks that pixel in the magnifier.
    // With a name, the point-name dialog that follows is answered with it.
    Pick PickDisplayPixel(QPoint display, const QString& name = QString()) {
        Pick seen;
        ScriptPick(display, &seen);
        if (!name.isNull()) ScriptName(name);
        const QPoint at = Truncated(
            m_view->ImageToClient(m_view->DisplayToImage(QPointF(display) + QPointF(0.5, 0.5))));
        Drag(at - QPoint(8, 6), at + QPoint(9, 7));
        m_lastDrag = {at - QPoint(8, 6), at + QPoint(9, 7)};
        return seen;
    }
    // The picked image position that the conversions give for what the magnifier saw.
    QPointF Expected(const Pick& p) const {
        const double f = m_view->ReductionFactor();
        return {(p.fitted.left() + p.click.x() / p.scaleX - 0.5) * f,
                (p.fitted.top() + p.click.y() / p.scaleY - 0.5) * f};
    }
    // The display-bitmap region of the last drag, as the conversions give it.
    QRect ExpectedRegion() const {
        const QPoint a = Truncated(m_view->ClientToScrolled(QPointF(m_lastDrag.first)));
        const QPoint b = Truncated(m_view->ClientToScrolled(QPointF(m_lastDrag.second)));
        return QRect(Truncated(m_view->ScrolledToDisplay(QPointF(a))),
                     Truncated(m_view->ScrolledToDisplay(QPointF(b))));
    }

    CTesseloView* m_view = nullptr;
    std::pair<QPoint, QPoint> m_lastDrag;
    const qint64 m_budget = CTesseloView::DisplayPixelBudget();
};

struct ZoomCase {
    double zoom;
    int scrollX, scrollY;
    bool reduced;  // display bitmap reduced by 1.6
    QPoint display;
};

TEST_F(ViewToolsTest, PickedControlPointIsThePixelUnderTheMagnifiersClick) {
    const ZoomCase cases[] = {
        {1.0, 0, 0, false, {120, 80}},   {2.56, 37, 51, false, {60, 45}},
        {0.39, 0, 0, false, {200, 150}}, {1.0, 0, 0, true, {100, 70}},
        {2.56, 40, 5, true, {110, 60}},
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << (c.reduced ? " reduced" : ""));
        CTesseloView::SetDisplayPixelBudget(c.reduced ? 300 * 200 - 1 : m_budget);
        m_doc->m_points.Clear();
        LoadImage(300, 200, true);
        ASSERT_DOUBLE_EQ(m_view->ReductionFactor(), c.reduced ? 1.6 : 1.0);
        ZoomAndScroll(c.zoom, c.scrollX, c.scrollY);
        EXPECT_EQ(m_view->horizontalScrollBar()->value(), c.scrollX);
        EXPECT_EQ(m_view->verticalScrollBar()->value(), c.scrollY);
        if (c.zoom < 1) {
            EXPECT_GT(m_view->CentringOffset().x(), 0);
        }

        const Pick pick = PickDisplayPixel(c.display, QStringLiteral("P"));
        EXPECT_EQ(pick.title, "Passpunkt auswählen");
        EXPECT_EQ(pick.region, ExpectedRegion());
        ASSERT_EQ(m_doc->m_points.Size(), 1);
        const QPointF expected = Expected(pick);
        // The same arithmetic on the same values: equal to the last bit.
        EXPECT_DOUBLE_EQ(m_doc->m_points.x[0], expected.x());
        EXPECT_DOUBLE_EQ(m_doc->m_points.y[0], expected.y());
        // Sub-pixel, and within half a display pixel of the clicked pixel's centre.
        const double f = m_view->ReductionFactor();
        EXPECT_NEAR(m_doc->m_points.x[0], c.display.x() * f, 0.5 * f);
        EXPECT_NEAR(m_doc->m_points.y[0], c.display.y() * f, 0.5 * f);
        EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragReady);

        // The marker is drawn where the point lies: its centre is the white cross, the red
        // ring around it.
        const QImage shown = Paint();
        const QPoint centre = Truncated(
            m_view->ImageToClient(QPointF(m_doc->m_points.x[0] + 0.5, m_doc->m_points.y[0] + 0.5)));
        EXPECT_EQ(shown.pixel(centre), qRgb(255, 255, 255));
        EXPECT_EQ(shown.pixel(centre + QPoint(-3, -4)), qRgb(255, 0, 0));
    }
    EXPECT_EQ(m_ui.messages.size(), 2u);  // the two reductions (10121)
}

TEST_F(ViewToolsTest, NamesProposeTheNextNumberAndADuplicateReplacesAfterYes) {
    LoadImage(300, 200, true);
    PickDisplayPixel({50, 50}, QStringLiteral("12"));
    PickDisplayPixel({60, 50}, QStringLiteral("a"));
    ASSERT_EQ(m_doc->m_points.names, QStringList({"12", "a"}));
    EXPECT_EQ(m_doc->m_nextPointNumber, 13);

    // The name dialog proposes 13; "12" again: replace? Yes.
    QString proposed;
    Pick seen;
    ScriptPick({70, 60}, &seen);
    m_dialogScripts.push_back([&](QDialog& d) {
        proposed = d.findChild<QLineEdit*>("1004")->text();
        d.findChild<QLineEdit*>("1004")->setText(QStringLiteral(" 12 "));
        static_cast<CPunktbezeichnungDlg&>(d).OnOK();
        return d.result();
    });
    m_ui.answers.push_back(ui::Answer::Yes);
    const QPoint at = Truncated(m_view->ImageToClient(QPointF(70.5, 60.5)));
    Drag(at - QPoint(8, 6), at + QPoint(9, 7));
    EXPECT_EQ(proposed, "13");
    EXPECT_EQ(m_doc->m_points.names, QStringList({"12", "a"}));
    EXPECT_NEAR(m_doc->m_points.x[0], 70, 0.5);  // moved
    EXPECT_EQ(m_ui.messages.back(), "Punkt existiert schon\n\nPunkt ersetzen ?");

    // "12" again and No: the name dialog comes back with the entered name; then cancelled.
    Pick declined;
    ScriptPick({90, 60}, &declined);
    ScriptName(QStringLiteral("12"));
    QString shownAgain;
    m_dialogScripts.push_back([&](QDialog& d) {
        shownAgain = d.findChild<QLineEdit*>("1004")->text();
        d.reject();
        return int(QDialog::Rejected);
    });
    m_ui.answers.push_back(ui::Answer::No);
    const QPoint at1 = Truncated(m_view->ImageToClient(QPointF(90.5, 60.5)));
    Drag(at1 - QPoint(8, 6), at1 + QPoint(9, 7));
    EXPECT_EQ(shownAgain, "12");
    EXPECT_NEAR(m_doc->m_points.x[0], 70, 0.5);  // unchanged

    // A cancelled name keeps the dialog open for another click; nothing is added.
    Pick again;
    ScriptPick({80, 60}, &again);
    ScriptCancel();
    const QPoint at2 = Truncated(m_view->ImageToClient(QPointF(80.5, 60.5)));
    Drag(at2 - QPoint(8, 6), at2 + QPoint(9, 7));
    EXPECT_EQ(m_doc->m_points.Size(), 2);
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragReady);
}

TEST_F(ViewToolsTest, AnEmptyDragOrRegionShowsTheMessageAndPicksNothing) {
    LoadImage(300, 200, true);
    const QPoint at = Truncated(m_view->ImageToClient(QPointF(100, 100)));
    Drag(at, at);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].rfind("Fensterbereich hat Ausdehnung '0'", 0), 0u);
    EXPECT_TRUE(m_dialogsRun.empty());
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragDragging);  // until a move without button
    Move(at);
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragReady);

    // At zoom 4 a 3-pixel drag stays within one display column: the region is empty.
    ZoomAndScroll(4.0, 0, 0);
    const QPoint corner = Truncated(m_view->ImageToClient(QPointF(100, 100)));
    Drag(corner, corner + QPoint(3, 20));
    EXPECT_EQ(m_ui.messages.size(), 2u);
    EXPECT_TRUE(m_dialogsRun.empty());
    EXPECT_EQ(m_doc->m_points.Size(), 0);
}

TEST_F(ViewToolsTest, NewRegionKeepsDraggingAndAnIdleViewPicksNothing) {
    LoadImage(300, 200, true);
    m_dialogScripts.push_back([](QDialog& d) {
        d.accept();  // "Neuen Bereich wählen"
        return int(QDialog::Accepted);
    });
    const QPoint at = Truncated(m_view->ImageToClient(QPointF(100, 100)));
    Drag(at, at + QPoint(20, 20));
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"131"}));
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragDragging);
    Move(at);
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragReady);

    m_view->m_dragState = CTesseloView::kDragIdle;
    Drag(at, at + QPoint(20, 20));
    EXPECT_EQ(m_dialogsRun.size(), 1u);
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragIdle);
}

TEST_F(ViewToolsTest, TheMagnifierShowsTheImageBeforeTheRestOfTheDisplayIsDrawn) {
    // The magnifier draws only the part of the display bitmap it shows: what it shows of a part
    // the window has not shown yet equals what it shows once the whole bitmap is drawn, across
    // tile edges, at the image's edges (the fitted region reaches past them) and on a reduced
    // bitmap. Each case has an image of its own width, so that its display bitmap is new.
    struct Case {
        int width;
        double zoom;
        bool reduced;
        QRect scrolled;  // the dragged rectangle, outside the window's first paint
    } cases[] = {
        {1000, 1.0, false, {760, 505, 17, 13}},    {1008, 1.0, false, {993, 790, 14, 9}},
        {1016, 2.56, false, {2560, 1990, 30, 60}}, {1024, 0.5, false, {450, 350, 10, 8}},
        {1032, 1.0, true, {560, 460, 25, 25}},
    };
    const auto shownByMagnifier = [this](const QRect& scrolled) {
        QImage shown;
        m_dialogScripts.push_back([&shown](QDialog& d) {
            shown = static_cast<CPunktAuswaehlenDlg&>(d).Picker()->grab().toImage();
            return int(QDialog::Rejected);
        });
        EXPECT_EQ(m_view->PickPointInRegion(scrolled), 1);
        return shown;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "width " << c.width << " zoom " << c.zoom << (c.reduced ? " reduced" : ""));
        CTesseloView::SetDisplayPixelBudget(c.reduced ? c.width * 800 - 1 : m_budget);
        LoadImage(c.width, 800, true);
        ZoomAndScroll(c.zoom);
        const QImage first = shownByMagnifier(c.scrolled);
        m_view->DisplayBitmap();
        EXPECT_EQ(first, shownByMagnifier(c.scrolled));
    }
}

TEST_F(ViewToolsTest, RectangleCornersCloseAtTheFourthAndTheFifthReplacesTheNearest) {
    LoadImage(300, 200, true);
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_MEASURE_RECTANGLE));
    EXPECT_EQ(m_doc->m_measureMode, 0);
    const QPoint corners[] = {{50, 50}, {200, 50}, {200, 150}, {50, 150}};
    for (int i = 0; i < 4; ++i) {
        const Pick pick = PickDisplayPixel(corners[i]);
        EXPECT_EQ(pick.title, "Eckpunkt für Rechteck auswählen");
        ASSERT_EQ(m_doc->m_corners.Size(), i + 1);
        // The closing edge (corner 3 to corner 0, along x = 50) shows only with four.
        const QImage shown = Paint();
        int red = 0;
        for (int y = 60; y < 140; ++y) {
            const QPoint p = Truncated(m_view->ImageToClient(QPointF(50.5, y)));
            red += shown.pixel(p) == qRgb(255, 0, 0);
        }
        if (i == 3) {
            EXPECT_GT(red, 20);
        } else {
            EXPECT_EQ(red, 0);
        }
    }
    // A fifth corner: "replace the nearest?" No leaves the corners, Yes moves corner 2.
    m_ui.answers = {ui::Answer::No};
    PickDisplayPixel({190, 140});
    EXPECT_NEAR(m_doc->m_corners.x[2], 200, 0.5);
    EXPECT_EQ(m_ui.messages.back(),
              "Rechteck ist schon definiert\n\nSoll der nächstgelegene Punkt ersetzt werden?");
    m_ui.answers = {ui::Answer::Yes};
    PickDisplayPixel({190, 140});
    EXPECT_EQ(m_doc->m_corners.Size(), 4);
    EXPECT_NEAR(m_doc->m_corners.x[2], 190, 0.5);
    EXPECT_NEAR(m_doc->m_corners.y[2], 140, 0.5);
}

TEST_F(ViewToolsTest, DistanceToolPairsPointsAndShowsTheDistanceAfterEachFinishedPair) {
    LoadImage(300, 200, false);
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_TOOL_DISTANCE));
    ASSERT_EQ(m_view->m_tool, 2);
    PickDisplayPixel({40, 40});
    EXPECT_EQ(m_doc->m_distanceState, 1);
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"131"}));
    PickDisplayPixel({140, 90});
    EXPECT_EQ(m_doc->m_distanceState, 2);
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"131", "131", "159"}));
    EXPECT_NEAR(m_doc->m_distX2, 140, 0.5);

    // Line and both end markers; the diagonal cross centre is white.
    const QImage shown = Paint();
    for (QPointF p :
         {QPointF(m_doc->m_distX1, m_doc->m_distY1), QPointF(m_doc->m_distX2, m_doc->m_distY2)})
        EXPECT_EQ(shown.pixel(Truncated(m_view->ImageToClient(p + QPointF(0.5, 0.5)))),
                  qRgb(255, 255, 255));

    // A drag whose dialog is cancelled still shows the finished distance again.
    ScriptCancel();
    const QPoint at = Truncated(m_view->ImageToClient(QPointF(100, 100)));
    Drag(at, at + QPoint(20, 20));
    EXPECT_EQ(m_dialogsRun.back(), "159");
    PickDisplayPixel({60, 60});  // the third point starts a new pair
    EXPECT_EQ(m_doc->m_distanceState, 1);
    EXPECT_NEAR(m_doc->m_distX1, 60, 0.5);
}

TEST_F(ViewToolsTest, CropDragIsLimitedToTheImage) {
    LoadImage(300, 200, false);
    ZoomAndScroll(1.0);
    EXPECT_EQ(m_view->m_tool, 1);
    const QPoint outside = Truncated(m_view->ImageToClient(QPointF(-30, -20)));
    const QPoint inside = Truncated(m_view->ImageToClient(QPointF(120, 80)));
    Drag(inside, outside);
    EXPECT_TRUE(m_dialogsRun.empty());
    ASSERT_EQ(m_doc->m_cropValid, 1);
    EXPECT_EQ(m_doc->m_cropX0, 0.0);
    EXPECT_EQ(m_doc->m_cropY0, 0.0);
    const QPointF end = m_view->ClientToImage(QPointF(inside));
    EXPECT_EQ(m_doc->m_cropX1, end.x());
    EXPECT_EQ(m_doc->m_cropY1, end.y());
    Drag(inside, Truncated(m_view->ImageToClient(QPointF(330, 240))));
    EXPECT_EQ(m_doc->m_cropX1, 300.0);
    EXPECT_EQ(m_doc->m_cropY1, 200.0);
    // Wholly left of the image: nothing.
    Drag(Truncated(m_view->ImageToClient(QPointF(-40, 10))),
         Truncated(m_view->ImageToClient(QPointF(-5, 60))));
    EXPECT_EQ(m_doc->m_cropValid, 0);
    EXPECT_EQ(m_view->m_dragState, CTesseloView::kDragReady);
}

TEST_F(ViewToolsTest, PolygonToolClosesWithTheDottedEdgeFromThreePoints) {
    LoadImage(300, 200, false);
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_TOOL_AREA));
    m_doc->m_measurePoints.Append(QStringLiteral("1"), 40, 40);
    m_doc->m_measurePoints.Append(QStringLiteral("2"), 240, 40);
    auto magentaOnClosingEdge = [&] {
        const QImage shown = Paint();
        int n = 0;
        const int last = m_doc->m_measurePoints.Size() - 1;
        const QPointF a(m_doc->m_measurePoints.x[size_t(last)] + 0.5,
                        m_doc->m_measurePoints.y[size_t(last)] + 0.5);
        for (int i = 10; i <= 90; ++i) {
            const QPointF p = a + (QPointF(40.5, 40.5) - a) * (i / 100.0);
            for (int dx = -1; dx <= 1; ++dx)
                n += shown.pixel(Truncated(m_view->ImageToClient(p)) + QPoint(dx, 0)) ==
                     qRgb(255, 0, 255);
        }
        return n;
    };
    EXPECT_EQ(magentaOnClosingEdge(), 0);
    m_doc->m_measurePoints.Append(QStringLiteral("3"), 140, 160);
    EXPECT_GT(magentaOnClosingEdge(), 10);
    PickDisplayPixel({200, 150}, QStringLiteral("4"));
    EXPECT_EQ(m_doc->m_measurePoints.names, QStringList({"1", "2", "3", "4"}));
    EXPECT_GT(magentaOnClosingEdge(), 10);
}

TEST_F(ViewToolsTest, ToolCommandsFollowTheKindOfDocument) {
    LoadImage(300, 200, true);
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_MEASURE_CONTROL_POINTS).IsChecked());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_MEASURE_RECTANGLE).IsChecked());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_TOOL_CROP).IsEnabled());
    EXPECT_FALSE(App()->RouteCommand(cmd::ID_TOOL_POINTS));
    EXPECT_EQ(m_view->m_tool, 1);
    Move(QPoint(100, 100));
    EXPECT_EQ(m_view->viewport()->cursor().hotSpot(), QPoint(15, 8));

    m_doc->m_isSource = 0;
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_MEASURE_CONTROL_POINTS).IsEnabled());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_TOOL_CROP).IsChecked());
    const struct {
        int id, tool;
        QPoint hotSpot;
    } tools[] = {{cmd::ID_TOOL_DISTANCE, 2, {15, 8}},
                 {cmd::ID_TOOL_POINTS, 3, {15, 8}},
                 {cmd::ID_TOOL_AREA, 4, {15, 8}},
                 {cmd::ID_TOOL_CROP, 1, {9, 9}}};
    for (const auto& t : tools) {
        ASSERT_TRUE(App()->RouteCommand(t.id));
        EXPECT_EQ(m_view->m_tool, t.tool);
        EXPECT_TRUE(App()->UpdateCommand(t.id).IsChecked());
        Move(QPoint(100, 100));
        EXPECT_EQ(m_view->viewport()->cursor().hotSpot(), t.hotSpot);
    }
}

}  // namespace
