#pragma once
// CChildFrame: the frame of one document window inside the main frame's MDI area. It owns its
// document and its view; closing it deletes both.

#include <QMdiSubWindow>
#include <memory>

#include "CCommandTarget.h"

class CTesseloDoc;
class CTesseloView;

class CChildFrame : public QMdiSubWindow, public CCommandTarget {
    Q_OBJECT
public:
    // Takes ownership of the document and makes its view.
    explicit CChildFrame(std::unique_ptr<CTesseloDoc> document);
    ~CChildFrame() override;

    CTesseloDoc* GetDocument() const { return m_document.get(); }
    CTesseloView* GetView() const { return m_view; }

protected:
    // After a switch of the interface language the document's title and the window's own menu
    // read in the new one.
    void changeEvent(QEvent* event) override;
    // Every way of closing the window comes here: an unsaved picture asks first.
    void closeEvent(QCloseEvent* event) override;

private:
    void RetranslateSystemMenu();

    std::unique_ptr<CTesseloDoc> m_document;
    CTesseloView* m_view;
};
