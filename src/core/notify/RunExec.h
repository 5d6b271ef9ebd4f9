#pragma once

#include <QString>

// Runs an operator's event command and does not wait for it. A path to a program
// runs it; a path to a document, a folder or a URL opens it with xdg-open; any other
// text is taken as a command line. A command starting with a double quote has all
// its double quotes removed. The command's folder is its working folder. Returns
// whether something was started; callers go on either way.
bool RunExec(const QString& command);

// Opens a folder in the desktop's file manager.
bool OpenFolder(const QString& folder);
