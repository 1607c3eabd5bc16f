#include "app/ending.h"
#include "platform/ui/modal.h"

namespace {
bool ending = false;
}

void endApplication()
{
    if (ending) return;
    ending = true;
    ui::quitApplication();
}

bool applicationEnding() { return ending; }
void resetApplicationEnding() { ending = false; }
