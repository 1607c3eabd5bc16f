#pragma once

namespace ui {

// Loads Qt's own Simplified Chinese texts (file dialogs, edit menus, print
// dialogs) into the running application. False when the catalogue is missing;
// the program then goes on with Qt's English texts.
bool installChineseTranslations();

}
