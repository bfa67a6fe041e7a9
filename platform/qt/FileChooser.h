#pragma once
// The file and folder chooser seam. The program's file dialog classes describe what they want
// in a Request; the installed chooser (a QFileDialog by default, a script in tests) answers it.

#include <QString>
#include <functional>

namespace filechooser {

enum class Mode { Open, Save, Folder };

struct Request {
    Mode mode = Mode::Open;
    QString title;          // empty: the dialog's default title
    QString directory;      // initial folder; empty: the current folder
    QString fileName;       // initial file name, or the name pattern in folder mode
    QString filter;         // Qt form: "A (*.a);;B (*.b)"
    QString defaultSuffix;  // appended when the typed name has none
    QString acceptLabel;    // text of the accept button; empty: the default
    bool overwritePrompt = false;
};

// Answers a request: true and the chosen path, or false when the user cancelled. A folder
// chooser's path is the folder it shows, whatever entry is selected in it.
using Chooser = std::function<bool(const Request& request, QString* path)>;

bool Run(const Request& request, QString* path);
// Replaces the chooser; an empty function restores the QFileDialog.
void SetChooser(Chooser chooser);

// "A|*.a|B|*.b||" -> "A (*.a);;B (*.b)". The description keeps its text; a description that
// already names its pattern in parentheses is not given it twice.
QString ToQtFilter(const QString& windowsFilter);

}  // namespace filechooser
