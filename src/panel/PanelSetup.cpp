#include "panel/PanelController.h"

// Setup is not wired yet: the command only releases the pointer so no drag carries on.
void PanelController::RunSetup() { ClearPointerAndRepeat(); }

void PanelController::LoadPreset() {}
