#pragma once
// Qt's own texts in Chinese: the standard dialogs (the export's file dialog: "查看", "保存") and
// buttons ("确定", "取消") read as the rest of the window does, whatever the desktop's language. The
// translations are the system's Qt translations (Debian's qt6-translations-l10n). Used by the
// windowed client's main() and the GUI tests, after the QApplication is made.

class QCoreApplication;

namespace kh::ui {

// Loads qtbase_zh_CN from Qt's translations folder into app (the translator is app's child);
// false when it is not there, and Qt's texts stay English.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace kh::ui
