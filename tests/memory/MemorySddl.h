// Security descriptors written in SDDL, read into the owner and access list
// the layer reports (EntrySecurity): what a folder created with a
// descriptor keeps, and how tests write the descriptors of the folders they
// set up, as the system's own tools print them.
#pragma once

#include <optional>
#include <string_view>

#include "platform/Platform.h"

namespace mem {

// "O:BAG:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)": the owner (O:),
// the DACL (D:, "D:NO_ACCESS_CONTROL" for a null one); a group (G:) and
// the DACL's own flags (P, AI ...) are read and dropped. Entries of types A
// and D with the flags OI, CI, IO, NP, ID and rights in hex or as FA, FR,
// FW, FX, GA, GR, GW, GX, SD, RC, WD, WO; the usual two-letter accounts (SY,
// BA, BU, WD, AU, CO, CG, OW, IU, AN) or "S-..." in full. Nothing for
// anything else.
std::optional<EntrySecurity> ParseSddl(std::string_view sddl);

}  // namespace mem
