#pragma once
// An HTML pane over QTextBrowser that shows HTML text the program hands it. A click on a link
// whose target begins with "app:" (any case) never navigates: the rest of the target goes to the
// virtual OnAppCmd. Other links navigate as usual.
//
// Like a browser control, the pane has a document only after its first navigation has completed
// (navigations complete on the next turn of the event loop); a page handed over before then is
// kept and shown at that moment.

#include <QString>
#include <QTextBrowser>

class CHtmlPaneCtrl : public QTextBrowser {
public:
    explicit CHtmlPaneCtrl(QWidget* parent = nullptr);

    // Starts a navigation; "about:blank" (any case) is the empty document.
    void Navigate(const QString& url);

    // Keeps html as the page to show; with encode, accented vowels become HTML entities. Written
    // at once when the document is ready, else on the next completed navigation.
    void SetHtml(const QString& html, bool encode);

    // Replaces à á è é ì í ò ó ù ú by their entities; every other character stays.
    static QString EncodeEntities(QString text);

    // The copy of a page that is actually displayed, adapted to Qt's rich text: horizontal rules
    // become boxes of the rule's size and colour, table frames take their light colour, cell
    // contents are centred vertically and text cells stay within their table's width.
    static QString DisplayCopy(const QString& html);

    const QString& PendingHtml() const { return m_pendingHtml; }
    bool DocumentReady() const { return m_documentReady; }

protected:
    // Called for a clicked "app:" link with the text after the prefix.
    virtual void OnAppCmd(const QString& command);

    // Decides a navigation to url; true when it was an "app:" link and is cancelled.
    bool OnBeforeNavigate2(const QString& url);
    void OnDocumentComplete();
    void WriteHtmlToDocument();

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString m_pendingHtml;
    bool m_documentReady = false;
};
