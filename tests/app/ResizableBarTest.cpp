#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QSettings>
#include <QTest>

#include "CProfile.h"
#include "TempDir.h"
#include "controls/CAssistantBar.h"
#include "controls/CBarTitle.h"
#include "controls/CResizableBarCF.h"

namespace {

constexpr int kAssistantId = 0xE822;

template <typename Condition>
bool ProcessUntil(Condition condition) {
    for (int i = 0; i < 20 && !condition(); ++i) QApplication::processEvents();
    return condition();
}

// A frame with a central widget and one caption-band bar, as the main frame docks its assistant.
struct Frame {
    QMainWindow window;
    CResizableBarCF bar;

    explicit Frame(Qt::DockWidgetArea area = Qt::LeftDockWidgetArea, QSize size = {190, 500}) {
        window.setCentralWidget(new QWidget);
        window.resize(800, 600);
        bar.Create("Bar", &window, size, kAssistantId);
        window.addDockWidget(area, &bar);
        window.show();
        QApplication::processEvents();
    }
};

TEST(ResizableBar, StartsWithItsDefaultsAndMinimums) {
    CResizableBar bar;
    EXPECT_EQ(bar.HorzSize(), QSize(200, 200));
    EXPECT_EQ(bar.VertSize(), QSize(200, 200));
    EXPECT_EQ(bar.FloatSize(), QSize(200, 200));
    EXPECT_EQ(bar.MinHorzSize(), QSize(33, 32));
    EXPECT_EQ(bar.MinVertSize(), QSize(33, 32));
    EXPECT_EQ(bar.MinFloatSize(), QSize(37, 32));
    EXPECT_FALSE(bar.Create("x", nullptr, 1));

    CAssistantBar assistant;
    assistant.SetDefaultSize(190, 500);
    EXPECT_EQ(assistant.HorzSize(), QSize(190, 500));
    EXPECT_EQ(assistant.VertSize(), QSize(190, 500));
    EXPECT_EQ(assistant.FloatSize(), QSize(200, 200));
}

struct PlacementCase {
    Qt::DockWidgetArea area;
    unsigned dockBarId;
    CResizableBar::Placement placement;
    bool verticalTitle;
};

TEST(ResizableBar, PlacementFollowsTheDockAreaAndGivesTheStoredThickness) {
    const PlacementCase cases[] = {
        {Qt::TopDockWidgetArea, CResizableBar::kDockTop, CResizableBar::Placement::Horizontal,
         true},
        {Qt::LeftDockWidgetArea, CResizableBar::kDockLeft, CResizableBar::Placement::Vertical,
         false},
        {Qt::RightDockWidgetArea, CResizableBar::kDockRight, CResizableBar::Placement::Vertical,
         false},
        {Qt::BottomDockWidgetArea, CResizableBar::kDockBottom, CResizableBar::Placement::Horizontal,
         true},
    };
    for (const PlacementCase& c : cases) {
        Frame f(c.area, {150, 120});
        EXPECT_EQ(f.bar.DockBarId(), c.dockBarId);
        EXPECT_EQ(f.bar.CurrentPlacement(), c.placement);
        EXPECT_EQ(f.bar.Title().Vertical(), c.verticalTitle);
        EXPECT_EQ(f.bar.titleBarWidget(), &f.bar.Title());
        if (c.placement == CResizableBar::Placement::Horizontal) {
            EXPECT_EQ(f.bar.height(), 120) << c.dockBarId;
        } else {
            EXPECT_EQ(f.bar.width(), 150) << c.dockBarId;
        }
    }
}

TEST(ResizableBar, DraggedThicknessIsStoredAndStopsAtTheMinimum) {
    Frame f;
    f.window.resizeDocks({&f.bar}, {260}, Qt::Horizontal);
    ASSERT_TRUE(ProcessUntil([&] { return f.bar.width() == 260; }));
    EXPECT_EQ(f.bar.VertSize().width(), 260);
    EXPECT_EQ(f.bar.HorzSize(), QSize(190, 500));  // other placements keep theirs

    f.window.resizeDocks({&f.bar}, {5}, Qt::Horizontal);
    QApplication::processEvents();
    EXPECT_EQ(f.bar.width(), 33);
    EXPECT_EQ(f.bar.VertSize().width(), 33);
}

// Points the settings store into a file of a temporary folder for the test's lifetime.
struct ProfileInTempDir {
    TempDir dir;
    const QString file = QString::fromStdString(dir.File("settings.ini"));
    ProfileInTempDir() { CProfile::SetFile(file); }
    ~ProfileInTempDir() { CProfile::SetFile(QString()); }
};

TEST(ResizableBar, SizesAreStoredUnderTheBarsSectionAndRestoredAfterARestart) {
    ProfileInTempDir profile;
    {
        Frame f;
        f.bar.SetHorzSize({300, 90});
        f.bar.SetFloatSize({250, 260});
        f.window.resizeDocks({&f.bar}, {240}, Qt::Horizontal);
        ASSERT_TRUE(ProcessUntil([&] { return f.bar.width() == 240; }));
        SaveBarSizes(f.window, "Tesselo");
    }
    {
        QSettings settings(profile.file, QSettings::IniFormat);
        const QString section = QStringLiteral("Tesselo-ResBar-%1/").arg(kAssistantId);
        EXPECT_EQ(settings.value(section + "sizeHorzCX").toInt(), 300);
        EXPECT_EQ(settings.value(section + "sizeHorzCY").toInt(), 90);
        EXPECT_EQ(settings.value(section + "sizeVertCX").toInt(), 240);
        EXPECT_EQ(settings.value(section + "sizeFloatCX").toInt(), 250);
        EXPECT_EQ(settings.value(section + "sizeFloatCY").toInt(), 260);
    }
    Frame restarted;
    LoadBarSizes(restarted.window, "Tesselo");
    ASSERT_TRUE(ProcessUntil([&] { return restarted.bar.width() == 240; }));
    EXPECT_EQ(restarted.bar.HorzSize(), QSize(300, 90));
    EXPECT_EQ(restarted.bar.FloatSize(), QSize(250, 260));
}

TEST(ResizableBar, LoadKeepsMissingOrUnreadableValuesAndRaisesToTheMinimums) {
    ProfileInTempDir profile;
    {
        QSettings settings(profile.file, QSettings::IniFormat);
        settings.beginGroup("P-ResBar-7");
        settings.setValue("sizeHorzCX", 5);
        settings.setValue("sizeHorzCY", -3);
        settings.setValue("sizeVertCX", "wide");
        settings.setValue("sizeFloatCY", 1);
        settings.endGroup();
    }
    QMainWindow window;
    CResizableBar bar;
    bar.Create("", &window, QSize(120, 110), 7);
    bar.LoadSizes("P");
    EXPECT_EQ(bar.HorzSize(), QSize(33, 32));
    EXPECT_EQ(bar.VertSize(), QSize(120, 110));
    EXPECT_EQ(bar.FloatSize(), QSize(120, 32));
}

TEST(ResizableBar, FloatingHasNoGripperAndDocksAgainOnlyWhereAllowed) {
    Frame f;
    f.bar.setAllowedAreas(Qt::RightDockWidgetArea);
    ASSERT_EQ(f.bar.DockBarId(), CResizableBar::kDockLeft);  // the start place is not checked

    f.bar.setFloating(true);
    QApplication::processEvents();
    EXPECT_EQ(f.bar.CurrentPlacement(), CResizableBar::Placement::Floating);
    EXPECT_EQ(f.bar.DockBarId(), CResizableBar::kDockFloating);
    EXPECT_FALSE(f.bar.HasGripper());
    EXPECT_EQ(f.bar.titleBarWidget(), nullptr);  // the floating window's caption
    EXPECT_EQ(f.bar.size(), QSize(190, 500));

    f.bar.setFloating(false);
    QApplication::processEvents();
    EXPECT_EQ(f.bar.DockBarId(), CResizableBar::kDockRight);
    EXPECT_TRUE(f.bar.HasGripper());
    EXPECT_EQ(f.bar.titleBarWidget(), &f.bar.Title());
    EXPECT_EQ(f.bar.width(), 190);
}

TEST(ResizableBar, CloseButtonHidesACloseRequestDoesNot) {
    Frame f;
    f.bar.close();
    EXPECT_TRUE(f.bar.isVisible());

    CBarTitle& title = f.bar.Title();
    const QPoint button = f.bar.CloseButton().Rect().center();
    QTest::mousePress(&title, Qt::LeftButton, {}, button);
    EXPECT_TRUE(f.bar.CloseButton().pushed);
    EXPECT_TRUE(f.bar.isVisible());
    QTest::mouseRelease(&title, Qt::LeftButton, {}, button);
    EXPECT_FALSE(f.bar.isVisible());

    f.bar.show();
    f.bar.setFloating(true);
    QApplication::processEvents();
    f.bar.close();  // floating: the window's close button hides the bar
    EXPECT_FALSE(f.bar.isVisible());
}

TEST(ResizableBar, ReleasingOffTheCloseButtonKeepsTheBar) {
    Frame f;
    CBarTitle& title = f.bar.Title();
    const QRect button = f.bar.CloseButton().Rect();
    EXPECT_EQ(button.size(), QSize(11, 11));
    EXPECT_TRUE(title.rect().contains(button));
    QTest::mousePress(&title, Qt::LeftButton, {}, button.center());
    QTest::mouseRelease(&title, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(f.bar.isVisible());
    EXPECT_FALSE(f.bar.CloseButton().pushed);
}

TEST(ResizableBarCF, CaptionIsActiveWhileTheFocusIsInsideTheBar) {
    Frame f;
    auto* inside = new QWidget;
    inside->setFocusPolicy(Qt::StrongFocus);
    f.bar.setWidget(inside);
    auto* outside = f.window.centralWidget();
    outside->setFocusPolicy(Qt::StrongFocus);
    f.window.activateWindow();
    QApplication::processEvents();

    inside->setFocus();
    ASSERT_TRUE(ProcessUntil([&] { return f.bar.Active(); }));
    outside->setFocus();
    EXPECT_TRUE(ProcessUntil([&] { return !f.bar.Active(); }));
    EXPECT_TRUE(f.bar.CaptionFace() == "Tahoma" || f.bar.CaptionFace() == "Arial");
}

}  // namespace
