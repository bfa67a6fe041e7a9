#include "CMainFrame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QWheelEvent>

#include "CChildFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CadLink.h"
#include "CommandIds.h"
#include "ModalRunner.h"
#include "QtStringLookup.h"
#include "RegistrySettings.h"
#include "controls/CAssistantHtml.h"
#include "controls/CToolBarImages.h"
#include "dialogs/CEinstellungenDlg.h"
#include "dialogs/CMyFileDialog.h"
#include "dialogs/CSpracheDlg.h"

namespace {

// The texts of a command: menu text (with "\t" before the shown shortcut) and the tool tip,
// which the status bar also shows.
struct CommandText {
    int id;
    const char* menu;
    const char* tip;
};

constexpr const char* kContext = "CMainFrame";

constexpr CommandText kCommands[] = {
    {cmd::ID_FILE_NEW, "", ""},
    {cmd::ID_FILE_OPEN, QT_TRANSLATE_NOOP("CMainFrame", "Bild Ö&ffnen...\tStrg+O"),
     QT_TRANSLATE_NOOP("CMainFrame", "Bild Öffnen")},
    {cmd::ID_FILE_CLOSE, QT_TRANSLATE_NOOP("CMainFrame", "Bild &Schließen"),
     QT_TRANSLATE_NOOP("CMainFrame", "Bild Schließen")},
    {cmd::ID_FILE_SAVE, "", QT_TRANSLATE_NOOP("CMainFrame", "Speichern")},
    {cmd::ID_FILE_SAVE_AS, QT_TRANSLATE_NOOP("CMainFrame", "Bild Speichern &unter..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Bild Speichern unter")},
    {cmd::ID_LOAD_PARAMETERS, QT_TRANSLATE_NOOP("CMainFrame", "Parameter &Laden ..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Parameter Laden")},
    {cmd::ID_SAVE_PARAMETERS, QT_TRANSLATE_NOOP("CMainFrame", "Parameter S&peicher unter ..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Parameter Speichern unter")},
    {cmd::ID_SETTINGS, QT_TRANSLATE_NOOP("CMainFrame", "&Einstellungen ..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Einstellungen")},
    {cmd::ID_APP_EXIT, QT_TRANSLATE_NOOP("CMainFrame", "&Beenden"),
     QT_TRANSLATE_NOOP("CMainFrame", "Beenden")},
    {cmd::ID_VIEW_TOOLBAR, QT_TRANSLATE_NOOP("CMainFrame", "&Symbolleiste"),
     QT_TRANSLATE_NOOP("CMainFrame", "Symbolleiste ein- oder ausblenden")},
    {cmd::ID_VIEW_STATUS_BAR, QT_TRANSLATE_NOOP("CMainFrame", "S&tatusleiste"),
     QT_TRANSLATE_NOOP("CMainFrame", "Statusleiste ein- oder ausblenden")},
    {cmd::ID_VIEW_ASSISTANT, QT_TRANSLATE_NOOP("CMainFrame", "Assistent"),
     QT_TRANSLATE_NOOP("CMainFrame", "Assistent ein- oder ausblenden")},
    {cmd::ID_LANGUAGE_GERMAN, QT_TRANSLATE_NOOP("CMainFrame", "Deutsch"),
     QT_TRANSLATE_NOOP("CMainFrame", "Deutsch")},
    {cmd::ID_LANGUAGE_ENGLISH, QT_TRANSLATE_NOOP("CMainFrame", "Englisch"),
     QT_TRANSLATE_NOOP("CMainFrame", "Englisch")},
    {cmd::ID_WINDOW_CASCADE, QT_TRANSLATE_NOOP("CMainFrame", "Über&lappend"),
     QT_TRANSLATE_NOOP("CMainFrame", "Fenster überlappend anordnen")},
    {cmd::ID_WINDOW_TILE_HORZ, QT_TRANSLATE_NOOP("CMainFrame", "&Nebeneinander"),
     QT_TRANSLATE_NOOP("CMainFrame", "Fenster nebeneinander anordnen")},
    {cmd::ID_WINDOW_ARRANGE, QT_TRANSLATE_NOOP("CMainFrame", "&Symbole anordnen"),
     QT_TRANSLATE_NOOP("CMainFrame", "Symbole anordnen")},
    {cmd::ID_APP_ABOUT, QT_TRANSLATE_NOOP("CMainFrame", "Inf&o über Tesselo..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Info über Tesselo")},
    {cmd::ID_MEASURE_CONTROL_POINTS, "", QT_TRANSLATE_NOOP("CMainFrame", "Passpunkte messen")},
    {cmd::ID_MEASURE_RECTANGLE, "", QT_TRANSLATE_NOOP("CMainFrame", "Rechteck definieren")},
    {cmd::ID_ZOOM_IN, "", QT_TRANSLATE_NOOP("CMainFrame", "Ausschnitt vergrößern")},
    {cmd::ID_ZOOM_OUT, "", QT_TRANSLATE_NOOP("CMainFrame", "Ausschnitt verkleinern")},
    {cmd::ID_ZOOM_100, "", QT_TRANSLATE_NOOP("CMainFrame", "Zoom auf 100%")},
    {cmd::ID_RECTIFY, "", QT_TRANSLATE_NOOP("CMainFrame", "Bild entzerren")},
    {cmd::ID_MIRROR_VERTICAL, "", QT_TRANSLATE_NOOP("CMainFrame", "Bild vertikal spiegeln")},
    {cmd::ID_MIRROR_HORIZONTAL, "", QT_TRANSLATE_NOOP("CMainFrame", "Bild horizontal spiegeln")},
    {cmd::ID_TOOL_DISTANCE, "", QT_TRANSLATE_NOOP("CMainFrame", "Distanz messen")},
    {cmd::ID_TOOL_POINTS, "", QT_TRANSLATE_NOOP("CMainFrame", "Punkte messen")},
    {cmd::ID_TOOL_AREA, "", QT_TRANSLATE_NOOP("CMainFrame", "Punkte/Fläche messen")},
    {cmd::ID_FINISH_MEASURE, "",
     QT_TRANSLATE_NOOP("CMainFrame", "Messung abschließen, Ergebnis anzeigen")},
    {cmd::ID_TOOL_CROP, "",
     QT_TRANSLATE_NOOP("CMainFrame", "Bild zuschneiden: Bereich definieren")},
    {cmd::ID_CROP, "",
     QT_TRANSLATE_NOOP("CMainFrame", "Bild zuschneiden und neues Dokument daraus erstellen")},
};

// Tool bar 128, left to right; 0 is a separator.
constexpr int kToolBar[] = {
    cmd::ID_FILE_OPEN,
    cmd::ID_FILE_SAVE_AS,
    0,
    cmd::ID_MEASURE_CONTROL_POINTS,
    cmd::ID_MEASURE_RECTANGLE,
    0,
    cmd::ID_ZOOM_IN,
    cmd::ID_ZOOM_OUT,
    cmd::ID_ZOOM_100,
    0,
    cmd::ID_LOAD_PARAMETERS,
    cmd::ID_SAVE_PARAMETERS,
    0,
    cmd::ID_RECTIFY,
    0,
    cmd::ID_MIRROR_VERTICAL,
    cmd::ID_MIRROR_HORIZONTAL,
    0,
    cmd::ID_TOOL_DISTANCE,
    cmd::ID_TOOL_POINTS,
    cmd::ID_TOOL_AREA,
    cmd::ID_FINISH_MEASURE,
    0,
    cmd::ID_TOOL_CROP,
    cmd::ID_CROP,
    0,
    cmd::ID_APP_ABOUT,
};

QString Tr(const char* text) { return QCoreApplication::translate(kContext, text); }

// The assistant bar's control id, and the profile name its sizes are kept under.
constexpr int kAssistantBarId = 0xE822;
constexpr const char* kBarProfile = "Tesselo";

// The command a window-list entry activates carries this property.
constexpr const char* kWindowEntry = "windowEntry";

}  // namespace

CMainFrame::CMainFrame() : m_mdiArea(new QMdiArea(this)) {
    setObjectName(QStringLiteral("mainFrame"));
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdiArea);
    resize(1024, 720);
    setWindowIcon(CToolBarImages::ProgramIcon());
    CreateActions();

    OnCommand(cmd::ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(cmd::ID_SETTINGS, [this] { OnSettings(); });
    OnCommand(cmd::ID_LANGUAGE_GERMAN, [this] { OnLanguageGerman(); });
    OnCommand(cmd::ID_LANGUAGE_ENGLISH, [this] { OnLanguageEnglish(); });
    OnUpdateCommand(cmd::ID_LANGUAGE_GERMAN, [this](CCmdUI& ui) {
        ui.SetCheck(m_language == 0);
        ui.Enable(m_language != 0);
    });
    OnUpdateCommand(cmd::ID_LANGUAGE_ENGLISH, [this](CCmdUI& ui) {
        ui.SetCheck(m_language == 1);
        ui.Enable(m_language != 1);
    });
    OnCommand(cmd::ID_VIEW_TOOLBAR, [this] {
        if (m_toolBar) m_toolBar->setVisible(!m_toolBar->isVisible());
    });
    OnUpdateCommand(cmd::ID_VIEW_TOOLBAR,
                    [this](CCmdUI& ui) { ui.SetCheck(m_toolBar && !m_toolBar->isHidden()); });
    OnCommand(cmd::ID_VIEW_ASSISTANT,
              [this] { m_assistantBar.setVisible(m_assistantBar.isHidden()); });
    OnUpdateCommand(cmd::ID_VIEW_ASSISTANT,
                    [this](CCmdUI& ui) { ui.SetCheck(!m_assistantBar.isHidden()); });
    OnCommand(cmd::ID_VIEW_STATUS_BAR,
              [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    OnUpdateCommand(cmd::ID_VIEW_STATUS_BAR,
                    [this](CCmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); });
    const auto hasWindows = [this](CCmdUI& ui) {
        ui.Enable(!m_mdiArea->subWindowList().isEmpty());
    };
    OnCommand(cmd::ID_WINDOW_CASCADE, [this] { m_mdiArea->cascadeSubWindows(); });
    OnUpdateCommand(cmd::ID_WINDOW_CASCADE, hasWindows);
    OnCommand(cmd::ID_WINDOW_TILE_HORZ, [this] { m_mdiArea->tileSubWindows(); });
    OnUpdateCommand(cmd::ID_WINDOW_TILE_HORZ, hasWindows);
    OnCommand(cmd::ID_WINDOW_ARRANGE, [this] { ArrangeIcons(); });
    OnUpdateCommand(cmd::ID_WINDOW_ARRANGE, hasWindows);

    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* frame = qobject_cast<CChildFrame*>(window))
            CTesseloApp::Instance()->SetActiveDocument(frame->GetDocument());
        UpdateTitle();
    });
    m_idleTimer.setInterval(250);
    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
}

CMainFrame::~CMainFrame() {
    if (m_assistantBar.Id() != 0) SaveBarSizes(*this, kBarProfile);
    for (QTranslator* translator : {m_translator.get(), m_qtTranslator.get()})
        if (translator) QCoreApplication::removeTranslator(translator);
}

bool CMainFrame::Create() {
    CreateStatusBar();
    if (!CreateToolBar()) return false;
    if (!CreateAssistantBar()) return false;
    PostMessageTo(this, msg::WM_APP_WORKFLOW_STEP, 0, 0);

    int language = ReadSetting(settings::kLanguage);
    if (language == -1) {
        // No parent yet: the frame is not shown, so the dialog centres on the screen.
        CSpracheDlg dialog;
        if (dialog.DoModal() != QDialog::Accepted) return false;
        language = dialog.Result() == -1 ? 0 : dialog.Result();
        WriteSetting(settings::kLanguage, language);
    }
    m_language = language;
    if (m_language != 0) {
        SwitchLanguage();
    } else {
        LoadCatalogues();
        Retranslate();
    }
    m_idleTimer.start();
    return true;
}

bool CMainFrame::CreateAssistantBar() {
    if (!m_assistantBar.Create(QString(), this, kAssistantBarId)) return false;
    // It starts at the left edge; once floated it docks again only on the right.
    m_assistantBar.setAllowedAreas(Qt::RightDockWidgetArea);
    m_assistantBar.SetDefaultSize(190, 500);
    addDockWidget(Qt::LeftDockWidgetArea, &m_assistantBar);
    LoadBarSizes(*this, kBarProfile);
    // A wheel turn that reaches the pane from elsewhere zooms the active view.
    m_assistantBar.HtmlCtrl().SetWheelTarget([](QWheelEvent& wheel) {
        CTesseloDoc* doc = GetActiveDocument();
        CTesseloView* view = doc ? doc->GetFirstView() : nullptr;
        if (!view) return false;
        const QPointF global = wheel.globalPosition();
        QWheelEvent forwarded(view->viewport()->mapFromGlobal(global), global, wheel.pixelDelta(),
                              wheel.angleDelta(), wheel.buttons(), wheel.modifiers(), wheel.phase(),
                              wheel.inverted());
        QApplication::sendEvent(view->viewport(), &forwarded);
        return forwarded.isAccepted();
    });
    return true;
}

void CMainFrame::CreateActions() {
    for (const CommandText& command : kCommands) {
        auto* action = new QAction(this);
        action->setObjectName(QString::number(command.id));
        const int id = command.id;
        connect(action, &QAction::triggered, this,
                [id] { CTesseloApp::Instance()->RouteCommand(id); });
        m_actions[id] = action;
        addAction(action);  // shortcuts work also for commands no menu shows
    }
    m_actions[cmd::ID_FILE_NEW]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_actions[cmd::ID_FILE_OPEN]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_actions[cmd::ID_FILE_SAVE]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (int id : kToolBar)
        if (id) m_actions[id]->setIcon(CToolBarImages::Icon(id));
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::Retranslate() {
    for (const CommandText& command : kCommands) {
        QAction* action = m_actions[command.id];
        action->setText(*command.menu ? Tr(command.menu) : QString());
        action->setToolTip(*command.tip ? Tr(command.tip) : QString());
        action->setStatusTip(*command.tip ? Tr(command.tip) : QString());
    }
    // The frame's context menu names the bars; the assistant bar's own title stays empty.
    if (m_toolBar) m_toolBar->setWindowTitle(Tr(QT_TRANSLATE_NOOP("CMainFrame", "Symbolleiste")));
    m_assistantBar.toggleViewAction()->setText(Tr(QT_TRANSLATE_NOOP("CMainFrame", "Assistent")));
    // The lock indicators stay blank: the platform does not report the lock states.
    statusBar()->showMessage(LoadQString(57345));
    RebuildMenu();
    UpdateTitle();
}

void CMainFrame::RebuildMenu() {
    m_documentMenu = !m_mdiArea->subWindowList().isEmpty();
    menuBar()->clear();
    // A menu may be running the command that asked for this rebuild: delete it later.
    for (const QPointer<QMenu>& menu : m_menus)
        if (menu) menu->deleteLater();
    m_menus.clear();

    const auto addMenu = [this](QMenu* parent, const char* title) {
        QMenu* menu = parent ? parent->addMenu(Tr(title)) : menuBar()->addMenu(Tr(title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        m_menus.emplace_back(menu);
        return menu;
    };
    const auto add = [this](QMenu* menu, int id) { menu->addAction(m_actions[id]); };

    QMenu* file = addMenu(nullptr, QT_TRANSLATE_NOOP("CMainFrame", "&Datei"));
    add(file, cmd::ID_FILE_OPEN);
    if (m_documentMenu) {
        add(file, cmd::ID_FILE_CLOSE);
        add(file, cmd::ID_FILE_SAVE_AS);
        file->addSeparator();
        add(file, cmd::ID_LOAD_PARAMETERS);
        add(file, cmd::ID_SAVE_PARAMETERS);
        file->addSeparator();
        add(file, cmd::ID_SETTINGS);
    }
    file->addSeparator();
    add(file, cmd::ID_APP_EXIT);

    QMenu* view = addMenu(nullptr, QT_TRANSLATE_NOOP("CMainFrame", "&Ansicht"));
    add(view, cmd::ID_VIEW_TOOLBAR);
    add(view, cmd::ID_VIEW_STATUS_BAR);
    add(view, cmd::ID_VIEW_ASSISTANT);
    QMenu* language = addMenu(view, QT_TRANSLATE_NOOP("CMainFrame", "Sprache"));
    add(language, cmd::ID_LANGUAGE_GERMAN);
    add(language, cmd::ID_LANGUAGE_ENGLISH);

    if (m_documentMenu) {
        QMenu* window = addMenu(nullptr, QT_TRANSLATE_NOOP("CMainFrame", "&Fenster"));
        window->setObjectName(QStringLiteral("windowMenu"));
        connect(window, &QMenu::aboutToShow, this, [this, window] { FillWindowMenu(window); });
        FillWindowMenu(window);
    }

    QMenu* help = addMenu(nullptr, QT_TRANSLATE_NOOP("CMainFrame", "&?"));
    add(help, cmd::ID_APP_ABOUT);
    UpdateCommandUI();
}

void CMainFrame::FillWindowMenu(QMenu* menu) {
    for (QAction* action : menu->actions())
        if (action->property(kWindowEntry).toBool() || action->isSeparator()) {
            menu->removeAction(action);
            if (action->parent() == menu) delete action;
        }
    if (menu->actions().isEmpty()) {
        menu->addAction(m_actions[cmd::ID_WINDOW_CASCADE]);
        menu->addAction(m_actions[cmd::ID_WINDOW_TILE_HORZ]);
        menu->addAction(m_actions[cmd::ID_WINDOW_ARRANGE]);
    }
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList();
    if (windows.isEmpty()) return;
    QAction* separator = menu->addSeparator();
    separator->setProperty(kWindowEntry, true);
    CTesseloDoc* active = GetActiveDocument();
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        auto* frame = qobject_cast<CChildFrame*>(window);
        QAction* entry =
            menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        entry->setProperty(kWindowEntry, true);
        // Only the active window carries a mark; the others show no empty box.
        const bool current = frame && frame->GetDocument() == active;
        entry->setCheckable(current);
        entry->setChecked(current);
        QPointer<QMdiSubWindow> target(window);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target) m_mdiArea->setActiveSubWindow(target);
        });
    }
}

void CMainFrame::ArrangeIcons() {
    // Minimised windows in a row along the bottom edge of the MDI area.
    int x = 0;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        window->move(x, m_mdiArea->viewport()->height() - size.height());
        x += size.width();
    }
}

bool CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar128"));
    m_toolBar->setIconSize(QSize(CToolBarImages::kWidth, CToolBarImages::kHeight));
    m_toolBar->setMovable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolBar) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(m_actions[id]);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    return true;
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    const char* names[] = {"capsLock", "numLock", "scrollLock"};
    for (int i = 0; i < 3; ++i) {
        m_indicators[i] = new QLabel(bar);
        m_indicators[i]->setObjectName(QLatin1String(names[i]));
        m_indicators[i]->setMinimumWidth(40);
        m_indicators[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(m_indicators[i]);
    }
}

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    m_mdiArea->addSubWindow(frame);
    connect(frame, &QObject::destroyed, this, &CMainFrame::OnChildFrameGone, Qt::QueuedConnection);
    // The caption follows the active document's title whenever it changes.
    connect(frame->GetDocument(), &CTesseloDoc::titleChanged, this, &CMainFrame::UpdateTitle);
    // After the MDI area has maximised or restored the window and set its own caption.
    connect(frame, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateTitle,
            Qt::QueuedConnection);
    frame->show();
    m_mdiArea->setActiveSubWindow(frame);
    if (!m_documentMenu) RebuildMenu();
}

void CMainFrame::OnChildFrameGone() {
    CTesseloApp* app = CTesseloApp::Instance();
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList();
    if (!app->ActiveDocument() && !windows.isEmpty()) {
        QMdiSubWindow* next =
            m_mdiArea->activeSubWindow() ? m_mdiArea->activeSubWindow() : windows.last();
        if (auto* frame = qobject_cast<CChildFrame*>(next))
            app->SetActiveDocument(frame->GetDocument());
    }
    if (m_documentMenu != !windows.isEmpty()) RebuildMenu();
    // The commands follow the document that is active now, also when the menu stayed.
    UpdateCommandUI();
    UpdateTitle();
}

void CMainFrame::CloseAllDocuments() {
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) delete window;
    RebuildMenu();
}

void CMainFrame::UpdateCommandUI() {
    CTesseloApp* app = CTesseloApp::Instance();
    if (!app) return;
    for (auto& [id, action] : m_actions) {
        const CCmdUI state = app->UpdateCommand(id);
        action->setEnabled(state.IsEnabled());
        action->setCheckable(state.IsCheckable());
        if (state.IsCheckable()) action->setChecked(state.IsChecked());
    }
}

void CMainFrame::UpdateTitle() {
    // The program's name, then the active document's title once it has one. While the active
    // window is maximised into the menu bar, the MDI area itself adds " - [document title]".
    const QString title = LoadQString(128);
    CTesseloDoc* doc = GetActiveDocument();
    const QMdiSubWindow* active = m_mdiArea->activeSubWindow();
    const bool addedByArea = active && active->isMaximized() && active->maximizedButtonsWidget();
    const bool named = doc && !doc->GetTitle().isEmpty() && !addedByArea;
    setWindowTitle(named ? QStringLiteral("%1 - %2").arg(title, doc->GetTitle()) : title);
}

void CMainFrame::SetLanguage(int language) {
    m_language = language;
    SwitchLanguage();
    WriteSetting(settings::kLanguage, m_language);
}

void CMainFrame::OnLanguageGerman() { SetLanguage(0); }

void CMainFrame::OnLanguageEnglish() { SetLanguage(1); }

void CMainFrame::SwitchLanguage() {
    LoadCatalogues();
    Retranslate();
    PostMessageTo(this, msg::WM_APP_WORKFLOW_STEP, -1, 0);
}

void CMainFrame::LoadCatalogues() {
    // A missing or unreadable English catalogue silently keeps German.
    ReplaceCatalogue(m_translator, m_language == 1 ? QStringLiteral("VexoDllEng.qm") : QString(),
                     CTesseloApp::CatalogueDirectory());
    // Qt's own texts (file dialogs, standard buttons, window menus) follow the interface: German
    // from the toolkit's catalogue, English as the toolkit's source texts.
    ReplaceCatalogue(m_qtTranslator, m_translator ? QString() : QStringLiteral("qtbase_de"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void CMainFrame::ReplaceCatalogue(std::unique_ptr<QTranslator>& slot, const QString& name,
                                  const QString& folder) {
    if (slot) {
        QCoreApplication::removeTranslator(slot.get());
        slot.reset();
    }
    if (name.isEmpty()) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) return;
    QCoreApplication::installTranslator(translator.get());
    slot = std::move(translator);
}

void CMainFrame::OnFileOpen() {
    CMyFileDialog dialog(true, QString(), QString(), CMyFileDialog::kHideReadOnly,
                         QString::fromLatin1(CTesseloDoc::kImageFilter), this);
    if (dialog.DoModal() != QDialog::Accepted) return;
    const QString path = dialog.GetPathName();
    if (path.isEmpty()) return;
    CTesseloApp::Instance()->OnFileNew();
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    if (doc->OpenImage(path))
        PostMessageTo(this, msg::WM_APP_WORKFLOW_STEP, 1, 0);
    else
        PostCommandTo(doc->GetFirstView(), cmd::ID_FILE_CLOSE);
}

void CMainFrame::OnSettings() {
    CEinstellungenDlg dialog(this);
    dialog.DoModal();
}

void CMainFrame::OnAssistantStep(int step) {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc)
        step = 0;
    else if (step == -1)
        step = doc->m_workflowStep;
    else
        doc->m_workflowStep = step;
    m_assistantStep = step;
    ShowAssistantStep(step);
}

void CMainFrame::ShowAssistantStep(int step) {
    CAssistantInputs inputs;
    if (const CTesseloDoc* doc = GetActiveDocument()) {
        inputs.sourceDocument = doc->m_isSource != 0;
        inputs.is3D = doc->m_is3D != 0;
        inputs.measuringMode = doc->m_measureMode;
        inputs.distortionCorrected = doc->m_distortionCorrected != 0;
    }
    m_assistantBar.SetHtml(CAssistantHtml::StepPage(step, inputs));
}

void CMainFrame::OnAssistantCommand(const QString& command) {
    if (command == QLatin1String("OPEN")) {
        PostCommandTo(this, cmd::ID_FILE_OPEN);
        return;
    }
    CTesseloDoc* doc = GetActiveDocument();
    CTesseloView* view = doc ? doc->GetFirstView() : nullptr;
    if (!view) return;
    static const std::pair<const char*, int> kLinks[] = {
        {"MEAS_PT", cmd::ID_MEASURE_CONTROL_POINTS},
        {"MEAS_RC", cmd::ID_MEASURE_RECTANGLE},
        {"RECTIFY", cmd::ID_RECTIFY},
        {"CLOSES", cmd::ID_FILE_CLOSE},
        {"SAVE", cmd::ID_FILE_SAVE_AS},
        {"CLOSET", cmd::ID_FILE_CLOSE},
    };
    for (const auto& [word, id] : kLinks)
        if (command == QLatin1String(word)) PostCommandTo(view, id);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CPostedMessageEvent::TypeId()) {
        auto* message = static_cast<CPostedMessageEvent*>(event);
        if (message->Message() == msg::WM_APP_WORKFLOW_STEP)
            OnAssistantStep(static_cast<int>(message->WParam()));
        else if (message->Message() == msg::WM_APP_ASSISTANT_COMMAND)
            OnAssistantCommand(m_assistantBar.HtmlCtrl().LastCommand());
        return true;
    }
    if (event->type() == CCommandEvent::TypeId()) {
        CTesseloApp::Instance()->RouteCommand(static_cast<CCommandEvent*>(event)->Id());
        return true;
    }
    if (event->type() == QEvent::StatusTip &&
        static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
        // Back to the idle text when the pointer leaves a command.
        statusBar()->showMessage(LoadQString(57345));
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QMainWindow::changeEvent(event);
}

bool CMainFrame::SaveAllModified() {
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        auto* frame = qobject_cast<CChildFrame*>(window);
        if (!frame || !frame->GetDocument()->IsModified()) continue;
        // The window asked about is the one the user sees.
        m_mdiArea->setActiveSubWindow(window);
        if (!frame->GetDocument()->SaveModified()) return false;
    }
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveAllModified()) {
        event->ignore();
        return;
    }
    PostToCadInterface(CTesseloApp::kQuitMessage, 0, 0, 0);
    QMainWindow::closeEvent(event);
}
