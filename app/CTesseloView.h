#pragma once
// CTesseloView: the view of a document window, a scroll area over the document's image.
// Commands posted to the view are routed from here: view, document, child frame, main frame,
// application.

#include <QAbstractScrollArea>
#include <QPointer>

#include "CCommandTarget.h"
#include "CTesseloDoc.h"

class CTesseloView : public QAbstractScrollArea, public CCommandTarget {
    Q_OBJECT
public:
    explicit CTesseloView(CTesseloDoc* document, QWidget* parent = nullptr);

    CTesseloDoc* GetDocument() const { return m_document; }

protected:
    bool event(QEvent* event) override;

private:
    QPointer<CTesseloDoc> m_document;
};
