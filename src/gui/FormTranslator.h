#pragma once

class QWidget;
class TLanguage;

// Puts the current language's texts into a window (or a frame: a QWidget that is not a window) and
// its controls.
//
// The form's section is the one named after its objectName(). Its controls are the
// named descendants (and the named actions of its menus) whose nearest enclosing form
// is this one: a QWidget with the property "tidewellForm" set to true starts a form of
// its own, translated only when passed itself. A missing key leaves a text as it is.
void TranslateComponent(const TLanguage& language, QWidget* form);
