#pragma once
// CNumEdit: an edit field that holds one double and shows it rounded.
//
// The value follows the typing at once ("," is taken as the decimal point; text that is no
// number gives the undefined value 1.7e308, shown as "---"). Leaving the field shows the value
// rounded, to a fixed number of decimals or to a number of significant digits. Ctrl + right click
// toggles between the rounded text and the value with ten decimals; the value then becomes the
// number shown.

#include <QLineEdit>

#include "Undefined.h"

class CNumEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumEdit(QWidget* parent = nullptr);

    // Stores the value and shows it formatted.
    void SetValue(double value);
    // The stored value; the undefined value when the text is no number.
    double GetValue() const { return m_value; }
    // Fixed-decimals mode with n decimals (negative n gives 0); does not reformat.
    void SetDecimals(int n);
    // Significant-digit mode with at most maxDecimals decimals; does not reformat.
    void SetSignificantDigits(int digits, int maxDecimals);

    // Reads the text into the value, when the user typed since the last formatting.
    virtual void Parse();
    // Shows the value rounded ("---" when undefined).
    virtual void Format();

    // Handlers, also called by tests.
    void OnUpdate();
    void OnKillFocus();
    // A right-button release with the keyboard modifiers held at that moment.
    void OnRButtonUp(Qt::KeyboardModifiers modifiers);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetTextGuarded(const QString& text);

    int m_decimals = 3;  // fixed decimals; upper limit in significant-digit mode
    int m_significantDigits = 0;
    bool m_textRounded = false;  // the text shows the rounded value
    double m_value = UNDEFINED_VALUE;
    bool m_settingText = false;  // the field sets its own text: ignore the change
    bool m_significantMode = false;
    bool m_modified = false;  // the user typed since the last formatting
};
