#pragma once
#include <QString>

// The first module of a new project, one text per project type. Lines are
// joined with CR LF and no line break follows the last one; `date` is the
// text that follows "'Date : ".
namespace ProjectTemplates {

// The project types in the order the New Project dialog lists them.
enum Type { Gui = 0, Dll = 1, Console = 2, Interface = 3 };

QString GuiTemplate(const QString& date);
QString DllTemplate(const QString& date);
QString ConsoleTemplate(const QString& date);
QString InterfaceTemplate(const QString& date);

// The template of `type`; "" for a type outside the list (no type chosen).
QString TemplateFor(int type, const QString& date);

// Today's date in the system locale's short date format.
QString Today();

}  // namespace ProjectTemplates
