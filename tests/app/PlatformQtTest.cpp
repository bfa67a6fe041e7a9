#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "CCommandRouter.h"
#include "CLongLoopFilter.h"
#include "CPostedEvents.h"
#include "CQtProgress.h"
#include "CQtUserInterface.h"
#include "QtStringLookup.h"
#include "dialogs/CSpracheDlg.h"

namespace {

class Target : public CCommandTarget {
public:
    Target(std::string name, std::vector<std::string>* log) : m_name(std::move(name)), m_log(log) {}
    void Handle(int id) {
        OnCommand(id, [this] { m_log->push_back(m_name); });
    }
    void DisableOn(int id) {
        OnUpdateCommand(id, [](CCmdUI& ui) { ui.Enable(false); });
    }

private:
    std::string m_name;
    std::vector<std::string>* m_log;
};

}  // namespace

TEST(CommandRouter, FirstHandlerInTheChainRunsWhileEnabled) {
    std::vector<std::string> log;
    Target view("view", &log), doc("doc", &log), frame("frame", &log);
    doc.Handle(1);
    frame.Handle(1);
    frame.Handle(2);
    frame.DisableOn(3);
    doc.Handle(3);
    const CCommandRouter::Chain chain{&view, nullptr, &doc, &frame};

    EXPECT_TRUE(CCommandRouter::Execute(1, chain));
    EXPECT_TRUE(CCommandRouter::Execute(2, chain));
    EXPECT_EQ(log, (std::vector<std::string>{"doc", "frame"}));

    // An update handler decides even for a command handled earlier in the chain.
    EXPECT_FALSE(CCommandRouter::Update(3, chain).IsEnabled());
    EXPECT_FALSE(CCommandRouter::Execute(3, chain));
    // Without any handler a command is disabled.
    EXPECT_FALSE(CCommandRouter::Update(4, chain).IsEnabled());
    EXPECT_FALSE(CCommandRouter::Execute(4, chain));
    EXPECT_EQ(log.size(), 2u);
}

TEST(PostedEvents, ArriveAfterThePosterReturns) {
    struct Receiver : QObject {
        std::vector<int> seen;
        bool event(QEvent* e) override {
            if (e->type() == CPostedMessageEvent::TypeId()) {
                auto* m = static_cast<CPostedMessageEvent*>(e);
                seen.push_back(m->Message() + int(m->WParam()) + int(m->LParam()));
                return true;
            }
            if (e->type() == CCommandEvent::TypeId()) {
                seen.push_back(static_cast<CCommandEvent*>(e)->Id());
                return true;
            }
            return QObject::event(e);
        }
    } receiver;
    PostMessageTo(&receiver, 0x8003, 5, 1);
    PostCommandTo(&receiver, 32772);
    PostCommandTo(nullptr, 1);
    EXPECT_TRUE(receiver.seen.empty());
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.seen, (std::vector<int>{0x8003 + 6, 32772}));
}

TEST(LongLoopFilter, RecordsEscapeAndSwallowsInputAndCloseRequests) {
    QPushButton button;
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    CQtUserInterface qtUi;
    EXPECT_FALSE(qtUi.EscapePressed());  // outside a long loop

    {
        CLongLoopFilter loop;
        EXPECT_EQ(CLongLoopFilter::Active(), &loop);
        CLongLoopFilter nested;  // leaves the outer guard in charge
        EXPECT_EQ(CLongLoopFilter::Active(), &loop);

        QCoreApplication::postEvent(
            &button, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_TRUE(qtUi.EscapePressed());
        EXPECT_FALSE(qtUi.EscapePressed());  // reported once

        const QPointF centre(button.width() / 2.0, button.height() / 2.0);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, centre, button.mapToGlobal(centre), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&button, &event);
        }
        EXPECT_EQ(clicks, 0);
        EXPECT_FALSE(button.close());
        EXPECT_TRUE(button.isVisible());
    }
    EXPECT_EQ(CLongLoopFilter::Active(), nullptr);
    const QPointF centre(button.width() / 2.0, button.height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, button.mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&button, &event);
    }
    EXPECT_EQ(clicks, 1);
}

TEST(LongLoopFilter, AnEscapeDuringTheLoopIsSeenWithinTheEventPeriod) {
    QPushButton button;
    button.show();
    CLongLoopFilter loop;
    EXPECT_FALSE(loop.PollEscape());
    // Polls in quick succession skip event delivery; one after the period delivers again.
    QCoreApplication::postEvent(&button,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QThread::msleep(25);
    EXPECT_TRUE(loop.PollEscape());
}

TEST(LongLoopFilter, HoldsPostedCommandsUntilTheLoopEnds) {
    struct Receiver : QObject {
        std::vector<int> seen;
        bool event(QEvent* e) override {
            if (e->type() == CCommandEvent::TypeId()) {
                seen.push_back(static_cast<CCommandEvent*>(e)->Id());
                return true;
            }
            if (e->type() == CPostedMessageEvent::TypeId()) {
                seen.push_back(static_cast<CPostedMessageEvent*>(e)->Message());
                return true;
            }
            return QObject::event(e);
        }
    } receiver;
    {
        CLongLoopFilter loop;
        PostCommandTo(&receiver, 57602);
        PostMessageTo(&receiver, 0x8003, 8, 0);
        EXPECT_FALSE(loop.PollEscape());
        QCoreApplication::sendPostedEvents(&receiver);
        EXPECT_TRUE(receiver.seen.empty());
    }
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.seen, (std::vector<int>{57602, 0x8003}));
}

TEST(QtUserInterface, MessageBoxesHoldTheirWholeTitleBesideTheWindowButtons) {
    CQtUserInterface qtUi;
    qtUi.SetCaption(QStringLiteral("Tesselo"));
    for (const char* text : {"?", "Manual not found", "Handbuch nicht gefunden"}) {
        int width = 0, needed = 0;
        LookAtNextWindow<QMessageBox>([&](QMessageBox& box) {
            needed = WholeTitleWidth(box);
            width = box.width();
            box.button(QMessageBox::Ok)->click();
        });
        qtUi.MessageBox(text, ui::Buttons::Ok, ui::Icon::None);
        EXPECT_GT(needed, 0) << text;
        EXPECT_GE(width, needed) << text;
    }
}

TEST(QtProgress, DrivesTheProgressBar) {
    QProgressBar bar;
    CQtProgress progress(&bar);
    progress.SetRange(0, 200);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 200);
    EXPECT_EQ(bar.value(), 0);
    progress.SetStep(25);
    progress.StepIt();
    progress.StepIt();
    EXPECT_EQ(bar.value(), 50);
    progress.SetPos(120);
    EXPECT_EQ(bar.value(), 120);
    CQtProgress none(nullptr);
    none.StepIt();  // a missing bar is ignored
}

TEST(QtProgress, SmallStepsReachTheBarWithinAPercentAndAtTheEnd) {
    QProgressBar bar;
    bar.resize(300, 20);
    CQtProgress progress(&bar);
    progress.SetRange(0, 4000);
    progress.SetStep(1);
    int lag = 0;
    for (int row = 1; row <= 4000; ++row) {
        progress.StepIt();
        lag = std::max(lag, row - bar.value());
    }
    EXPECT_LE(lag, 40);
    EXPECT_EQ(bar.value(), 4000);
    progress.SetPos(1);
    EXPECT_EQ(bar.value(), 1);
}

TEST(QtStringLookup, TableTextsWithoutCatalogueAreGerman) {
    EXPECT_EQ(LoadQString(57345), QStringLiteral("Bereit"));
    EXPECT_EQ(LoadQString(10094), QStringLiteral("Auswählen"));
    EXPECT_TRUE(LoadQString(4711).isEmpty());
}

// A path holding "%s" must not take the reason meant for the text's next placeholder.
TEST(QtStringLookup, PlaceholdersAreFilledInOrderAndNeverInsideAValue) {
    const QString text = QStringLiteral("Datei %s: %s.");
    EXPECT_EQ(FillPlaceholders(text, {QStringLiteral("/a/%s.txt"), QStringLiteral("voll")}),
              QStringLiteral("Datei /a/%s.txt: voll."));
    EXPECT_EQ(FillPlaceholders(text, {QStringLiteral("x")}), QStringLiteral("Datei x: %s."));
    EXPECT_EQ(FillPlaceholders(QStringLiteral("ohne"), {QStringLiteral("x")}),
              QStringLiteral("ohne"));
}

TEST(SpracheDlg, ResultOfEachWayOut) {
    CSpracheDlg german, english, closed;
    EXPECT_EQ(closed.Result(), -1);
    german.OnGerman();
    english.OnEnglish();
    closed.reject();
    EXPECT_EQ(german.Result(), 0);
    EXPECT_EQ(german.result(), QDialog::Accepted);
    EXPECT_EQ(english.Result(), 1);
    EXPECT_EQ(english.result(), QDialog::Accepted);
    EXPECT_EQ(closed.Result(), -1);
    EXPECT_EQ(closed.result(), QDialog::Rejected);
    EXPECT_EQ(CSpracheDlg::GermanFlag().size(), QSize(32, 20));
    EXPECT_EQ(CSpracheDlg::BritishFlag().size(), QSize(32, 20));
}
