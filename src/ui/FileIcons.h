#pragma once

// Small icons of files and folders from the desktop's icon theme, cached per file type so
// a list of thousands of files asks the theme once per extension.

#include <QHash>
#include <QIcon>
#include <QString>
#include <string_view>

namespace harrowdale::ui {

class TFileIcons
{
public:
    /// Icon of a file type, by the name's extension ("x.pdf", "README").
    QIcon ForFileName(std::string_view name);
    /// Icon of an extension key (".pdf", "(none)").
    QIcon ForExtension(std::string_view ext);
    QIcon Folder();

private:
    QHash<QString, QIcon> FByExt;
    QIcon FFolder;
};

/// One cache for the whole window.
TFileIcons& FileIcons();

} // namespace harrowdale::ui
