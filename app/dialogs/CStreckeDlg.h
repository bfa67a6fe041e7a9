#pragma once
// CStreckeDlg: the distance between the two distance end points of a target document: the
// slope distance and its horizontal and vertical parts (second point minus first), in the
// target's reference units, each with the decimals setting and at least five characters.
// Empty while the two end points are not both set or cannot be transformed.

#include <QString>

#include "CModalDialog.h"

class QPlainTextEdit;
class CTesseloDoc;

class CStreckeDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CStreckeDlg(QWidget* parent = nullptr);

    // The text of the distance of the document's end points, or empty.
    static QString DistanceText(const CTesseloDoc& doc);

    bool OnInitDialog() override;
    void Compute();

    CTesseloDoc* m_doc = nullptr;  // set by the caller
    QString m_text;

private:
    QPlainTextEdit* m_edit;
};
