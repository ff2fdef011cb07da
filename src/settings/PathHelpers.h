#pragma once
#include <QString>

// Cutting a path into its parts. Both "/" and "\" separate folders (paths read
// from files written on Windows hold "\"). The routines search from the end of
// the text and never touch the file system.

// The part after the last separator: the whole path when it holds none, ""
// when it ends in one.
QString FileNameOf(const QString& path);

// The part before the last separator; "" when the path holds none.
QString FolderOf(const QString& path);

// The file name without its extension: FileNameOf cut before its last ".";
// the whole file name when it holds no ".".
QString BaseNameOf(const QString& path);

// The extension without its dot: the part of the file name after its last
// "."; the whole file name when it holds no ".".
QString ExtensionOf(const QString& path);

// The text before its first NUL character, or the whole text.
QString StripAtNul(const QString& text);
