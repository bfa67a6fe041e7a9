#pragma once
// CMainFrame: the main window. An MDI area holds the document windows; the frame owns the
// menus (menu 128 without documents, menu 129 while documents are open), tool bar 128 and
// the status bar, chooses the interface language at the first start, switches between German
// and the English catalogue, runs the image-open command and receives the workflow steps,
// which it shows in the assistant bar, and the assistant's link commands.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <map>
#include <memory>
#include <vector>

#include "CCommandTarget.h"
#include "controls/CAssistantBar.h"

class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class CChildFrame;

class CMainFrame : public QMainWindow, public CCommandTarget {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds the status bar, the tool bar and the assistant bar, posts step 0 and settles the
    // interface language (the language dialog on the first start). False when the program must
    // not start.
    bool Create();

    QMdiArea* MdiArea() const { return m_mdiArea; }
    QToolBar* ToolBar() const { return m_toolBar; }
    void AddChildFrame(CChildFrame* frame);
    void CloseAllDocuments();

    // 0 German, 1 English.
    int Language() const { return m_language; }
    void SwitchLanguage();

    // The action of a command id (null for an unknown id).
    QAction* Action(int id) const;
    // Sets enabled and checked of every command from the routing chain.
    void UpdateCommandUI();
    void UpdateTitle();

    void OnFileOpen();
    void OnSettings();
    void OnLanguageGerman();
    void OnLanguageEnglish();
    // A workflow step (-1: the current document's stored step).
    void OnAssistantStep(int step);
    // Builds the assistant page for a step (0..10) from the active document's flags and shows it.
    void ShowAssistantStep(int step);
    // An assistant link's command word.
    void OnAssistantCommand(const QString& command);
    CAssistantBar& AssistantBar() { return m_assistantBar; }
    // The step the assistant shows now.
    int AssistantStep() const { return m_assistantStep; }

    // Whether the menu of open documents (129) is shown.
    bool ShowsDocumentMenu() const { return m_documentMenu; }

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Every window with an unsaved picture asks first; Abbrechen, or a save that did not
    // happen, keeps the program running. Only when it ends is a running CAD interface program
    // told to quit; it is never started.
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void Retranslate();
    void RebuildMenu();
    bool CreateToolBar();
    bool CreateAssistantBar();
    void CreateStatusBar();
    void FillWindowMenu(QMenu* menu);
    void ArrangeIcons();
    void OnChildFrameGone();
    // Asks every window with an unsaved picture in turn; false at the first that must stay.
    bool SaveAllModified();
    void SetLanguage(int language);
    // Installs the catalogues of the interface language: the program's English one, or Qt's own
    // German one.
    void LoadCatalogues();
    // Removes the catalogue in the slot and installs the named one instead (none for an empty
    // name); the slot stays empty when it cannot be loaded.
    static void ReplaceCatalogue(std::unique_ptr<QTranslator>& slot, const QString& name,
                                 const QString& folder);

    QMdiArea* m_mdiArea;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_indicators[3] = {};
    std::map<int, QAction*> m_actions;
    std::vector<QPointer<QMenu>> m_menus;
    QTimer m_idleTimer;
    std::unique_ptr<QTranslator> m_translator;    // the program's English catalogue
    std::unique_ptr<QTranslator> m_qtTranslator;  // Qt's German catalogue
    int m_language = 0;
    int m_assistantStep = 0;
    CAssistantBar m_assistantBar;
    bool m_documentMenu = false;
};
