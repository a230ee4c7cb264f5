#pragma once

// The four-character codes the platform expects for file types, the creator,
// Apple events, descriptors and resources, defined once for the whole program
// so that nobody writes literal codes.

#include <cstdint>

namespace VrnlTypes {

// The numeric value reads c1 c2 c3 c4 (c1 in the top byte) on any host.
using FourCharCode = std::uint32_t;

// Stores the four characters in the host's byte order so that the value of
// code reads c1 c2 c3 c4.
void MakeFourCharCode(FourCharCode& code, char c1, char c2, char c3, char c4);

// Sets every code below; the first initialisation of the program.
void InitModule();

inline FourCharCode type_pref = 0;
inline FourCharCode type_ttxt = 0;
inline FourCharCode type_fsrf = 0;  // file reference descriptor
inline FourCharCode type_fss = 0;   // FSSpec descriptor
inline FourCharCode type_null = 0;
inline FourCharCode type_any = 0;
inline FourCharCode type_list = 0;  // descriptor list
inline FourCharCode type_none = 0;
inline FourCharCode type_quit = 0;  // quit event
inline FourCharCode type_aevt = 0;  // Apple-event class
inline FourCharCode type_odoc = 0;  // open-document event
inline FourCharCode type_cbon = 0;  // Gestalt selector of the Carbon library version
inline FourCharCode type_fs = 0;
inline FourCharCode type_menu = 0;
inline FourCharCode type_midx = 0;
inline FourCharCode type_item = 0;
inline FourCharCode type_FONT = 0;
inline FourCharCode type_CURS = 0;  // cursor resources
inline FourCharCode type_empty = 0;
inline FourCharCode type_TEXT = 0;  // plain text files and the clipboard
inline FourCharCode type_PICT = 0;  // pictures
inline FourCharCode type_BINA = 0;  // binary files
inline FourCharCode type_Tlv3 = 0;  // our own data files

}  // namespace VrnlTypes
