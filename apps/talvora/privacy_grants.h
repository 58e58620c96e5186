#pragma once

#include "vmac/home_folder.h"
#include "vmac/scenario.h"

#include <string>

namespace talvora::app {

// The virtual Mac keeps the person's privacy choices in its home folder, as a Mac keeps them
// in its privacy database: a grant made in the pane is still there when Talvora is opened
// again, which is when a screen-recording grant takes effect. Only the pane writes the file;
// without it each run starts from its scenario's permissions.
std::string privacyGrantsFile(const vmac::HomeFolder& home);

// Replaces the scenario's permissions with the stored ones. A file that cannot be read as the
// pane wrote it is left alone and changes nothing; the reason is returned for the log.
std::string applyStoredPrivacyGrants(const vmac::HomeFolder& home, vmac::Scenario& scenario);

// Stores the choices; false when the file could not be written.
bool storePrivacyGrants(const vmac::HomeFolder& home, bool screenRecording, bool accessibility);

} // namespace talvora::app
