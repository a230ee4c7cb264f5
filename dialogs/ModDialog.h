// The dialog framework's main module; here, the least the start-up needs.
#pragma once

namespace ModDialog {

// Sets MacEnv::CombinedNames when the feature switch file
// "CombinedNames.On" exists: menus and dialogs made afterwards get combined
// macro names.
void InitModule();

}  // namespace ModDialog
