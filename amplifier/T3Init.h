// Amplifier initialisation and board detection: brings the amplifier core
// up and down, opens the AD/DA interface for the amplifier kind, checks
// board by board that each answers (multiplexer gain), that its clipping
// indicator clears and which revision it is, finds a second rack, reads the
// rack interfaces' serial texts, loads the scale and C-fast records of every
// board and probe-selector position and forces the derived facts into every
// board.
//
// Three files make the module: T3Init.cpp (start-up, finishing, shutdown),
// T3InitFiles.cpp (default file names and the loading of scale and C-fast
// records), T3InitVersion.cpp (board identification and version strings).
//
// Errors. Every step that fails leaves an amplifier error code in
// T3Error::Error (texts by ErrorText). The start-up procedures keep two
// codes for their caller: the first error is the code of the first failure,
// which alone writes the operator message; the last error is overwritten by
// every failure and is the procedures' result. Operator messages are
// written with the model word "TLV3"; ReplaceAmplType puts the attached
// kind's title in its place.
//
// Serial numbers. A version string (EEPROM or switch file) whose serial part
// holds anything but letters, digits, "-" and "_" is refused (7), and the
// name builders never put such a serial into a file name: a serial must
// not lead a path out of the scale folder.
//
// Waits are VrnlBoards::Wait on the platform clock (virtual under
// simulation); the wait cursor is set before each long step. Feature
// switches read here: "ZRVCache.Off", "ZRVCache.On", "TlvWriteCache.On",
// "TlvProtocol.On" (DoDebug: the echo lines), "TlvTetral.On", "ZRVTest.On"
// (the timing lines), "T3CCHigh.On", the version switches "T3Version.On",
// "T4Version.On", "T4+Version.On", "T4USBVersion.On" and "QRN2400Version.On"
// (with DoDebug); under GLP::Enforce only the cache is switched on and no
// version switch is read.
//
// Ownership: the module variables below are T3Init's; it sets the hardware
// facts of T3Base (board letter, hardware version, serial numbers, board and
// rack counts) and single fields of T3Types::State directly. Main thread
// only; every operation blocks it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "acquisition/ZRVBase.h"
#include "amplifier/T3Types.h"

namespace T3Init {

// ==== Interface =============================================================

inline constexpr int kNameSize = 256;

// TRUE while T3Scale::Scale holds a record taken from a scale file or the
// amplifier EEPROM; T3Scale::LoadDefaults clears it, the loaders set it.
extern bool ScaleFileLoaded;
// TRUE while T3Auto::CFastTable holds a table taken from a C-fast file or
// the amplifier EEPROM.
extern bool CFastFileLoaded;
// The default file names of the selected board and position.
extern char ScaleFileName[kNameSize];
extern char CFastFileName[kNameSize];
// TRUE when "TlvProtocol.On" existed at the last interface start: the echo
// lines of the multiplexer gain and of the board identification.
extern bool DoDebug;

// The scratch image of a calibration block or file: the EEPROM layout
// (T3EEPROM) assembles and takes apart its blocks here. Its content lasts
// only for one operation.
inline constexpr std::int32_t kFileBufferSize = 10240;
extern std::array<std::uint8_t, kFileBufferSize> FileBuffer;

// The application's loader of a scale or C-fast file. Called with address
// nil and length -1; 0 means the named file was loaded and address and
// length then describe its bytes (they stay the loader's); any other
// result means not loaded. The loader may change the name (when asking the
// operator to locate the file, ask TRUE). A 0 with a nil address or a
// negative length is a fatal error of the loader (29).
using FileLoaderProc = std::int32_t (*)(std::span<char> name, std::byte*& address, std::int32_t& length,
                                        bool ask);

// ---- Start-up and shut-down (T3Init.cpp) ---------------------------------------

// At program start: file flags FALSE, names empty, the file-choice filters
// "SC*.TL?" and "CF*.TL?", the InitModule of GLP, ZRVBase, ZRV, ADMeasure,
// VrnlBoards, VrnlEEPROM, T3Base, T3Select, T3Set, T3Panel and T3Auto in
// that order, scale defaults and default state, the AD board's corrections.
void InitAllModules();

// T3Panel::LoadTheState with the timed range switch off around it.
void InitHardware();

// Opens the interface (DoInitInterface) with the trigger-board probe on.
bool InitInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard);

// Opens the interface without loading scales: when the board has the
// EEPROM chip select (IsTlv4) the boards are brought up as the probe kind of
// the AD/DA board says and the racks' serial numbers become
// ExtEEPROMVersion1/2; otherwise, on a QRN 2400 or QRN 5+5, the rack
// interfaces' serial texts are read (IsQRNBoard). Then AmplKind := kind.
// FALSE when the interface cannot be opened.
bool InitializeInterface(T3Types::AmplifierKind kind, ZRVBase::BoardType adBoard, bool allowSecondRack);

// The start-up: the interface opened for the kind, the probe selectors
// activated, then board by board (only the selected one with
// activeBoardOnly, or with T3Base::MapActiveBoard) the response, clipping
// and version checks, the default names, the records loaded (loadScale,
// while no error is pending and the interface is open), the replay and the
// multiplexer gain check; the second rack probed once after the first rack's
// boards when allowed. message := "TLV3 initialized." or the first
// failure's text: 5 "TLV3 NOT responding! ...", 26 "TLV3 clipping
// indicator cannot be cleared.", 6 "TLV3 malfunction: Mux-gain is
// unreasonable.", 27 "TLV3 malfunction: amplifier board cannot be
// selected.", the loaders' texts. A failing interface start ("TLV3
// initialization failed: " and the reason) or board version ("TLV3: Error
// reading board version - ...", for 11 "Cannot read from TLV3! ...") always
// writes the message and ends the start-up with the defaults loaded. A
// failing probe selector ends it with 28. Returns the last error; the
// start board is selected at the end.
std::int32_t DoInitializeAndCheckForLife(std::span<char> message, std::int32_t& firstError,
                                         std::int32_t& lastError, T3Types::AmplifierKind kind,
                                         bool activeBoardOnly, bool allowSecondRack, bool detectKESP7,
                                         bool loadScale, FileLoaderProc scaleLoader,
                                         FileLoaderProc cFastLoader);
// DoInitializeAndCheckForLife with the trigger-board probe on, then
// ReplaceAmplType(message) and FinishInitialization(FALSE, ...).
std::int32_t InitializeAndCheckForLife(std::span<char> message, std::int32_t& firstError,
                                       std::int32_t& lastError, T3Types::AmplifierKind kind,
                                       bool activeBoardOnly, bool allowSecondRack, bool loadScale,
                                       FileLoaderProc scaleLoader, FileLoaderProc cFastLoader);

// Forces the derived hardware facts into every board: with force a letter
// (not 0) and the board counts given (a version switch's serial becomes the
// serial number); "T3CCHigh.On" forces 'Z'. A forced letter that has no
// hardware version forces the current ones instead; A, B and P clear the
// serial number. With the interface closed the channels are configured and
// each board's state replayed. Then every board is reset with its monitor
// channels noted in BoardState, the board selected on entry is selected
// again, the queued words played, T3Error::Error and VrnlEEPROM::Error 0.
void FinishInitialization(bool force, T3Types::BoardVersionLetter letter, std::int32_t firstRackBoards,
                          std::int32_t secondRackBoards);

// With T3Base::Initialized: boards T3Boards - 1 down to 0 to voltage
// clamp, Initialized := FALSE. Then the AD/DA layer shuts down.
void Shutdown();

// ---- Steps of the start-up (T3Init.cpp) ----------------------------------------

// The board answers: multiplexer gain at least 0.1 (a board below 'E' is
// tried once more as a multi-board TLV 3), and boards from 'E' on have the
// EEPROM chip select, older ones not. FALSE: error 5.
bool MuxGainResponding();
// |gain| from the stimulus DAC to the multiplexer's channel 10 at 1 V; the
// multiplexer back on 5. With DoDebug the line "MuxGain:  " and the gain.
double GetMuxGain();
// 0.8 <= GetMuxGain <= 1.2.
bool MuxGainOK();
// Stimulus 0 V, range 0, gain 0: TRUE when the clipping indicator is clear
// after 0.05 s or 0.1 s.
bool TestClipping();
// With probe selectors: they are activated (T3Selector::ActivateSelector;
// ScaleFromDisk on success, "TLV3 initialization failed: " before the
// message on failure), the filters widened, the selector at the position
// it had (keepPosition) or 1. Without: TRUE.
bool ActivateSelector(std::span<char> message, bool keepPosition);
// Positions 2 to MaxSelectors in turn: records loaded (as the board's) and
// replayed; then position 1.
void InitializeSelectors(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                         bool loadScale, FileLoaderProc scaleLoader, FileLoaderProc cFastLoader);
// Selects board + 1 and replays it; past the boards found the second rack
// is probed once when allowed and possible (its first board must answer,
// else its interface text is read into ExtEEPROMVersion2). FALSE when there
// is no further board; a board that cannot be selected: 27.
bool ActivateNextBoard(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                       std::int32_t& board, bool allowSecondRack);

// The first "TLV3" of message becomes T3Base::Title (unless the kind is
// TLV 3); with no board found the kind and Title come from the AD/DA board.
void ReplaceAmplType(std::span<char> message);

// copy := the live state with VHold 0, voltage clamp, Rs off, test-DAC path
// 0 and multiplexer 5.
void CopySafeState(T3Types::AmplifierState& copy);

// Appends the text of T3Error::Error to what text already holds, cut to its
// capacity: code 1 appends the AD/DA layer's last error text
// (ZRV::ConcatErrorText); 2, 33 and every code without a text of its own
// give "unknow error", spelled as the program always has.
void ErrorText(std::span<char> text);

// The amplifier kind an AD/DA board implies: QRN 5+5 TLV 4 USB, QRN 2400
// TLV 4, ZRV-28 TLV 4 Plus, any other TLV 3.
T3Types::AmplifierKind KindOfADBoard(ZRVBase::BoardType board);

// Scale defaults, then the default state.
void GetDefaults();
// GetDefaults, then T3Panel::LoadTheState.
void LoadDefaults();
// The state's BoardVersion := T3Base::BoardVersion, its channels filled.
void SetAdcAndDacFields();

// ---- Default names and loading (T3InitFiles.cpp) -------------------------------

// name := its directory part (up to its last "/", ":" or backslash), then
// "SCALE-" serial (short form "SC" serial; "SCALE" without a usable
// serial), "_Ext" in the extended stimulus range, the board extension and
// the selector suffix.
void DefaultScaleName(std::span<char> name, bool shortForm);
// A scale name whose file part begins "SC" becomes the C-fast name ("SC" to
// "CF", "SCALE" to "CFAST"; from "_EXT" on, any case, the board extension
// anew); otherwise the default C-fast name ("CFAST-" serial or "CF"
// serial, never "_Ext") after the directory of the scale name (of name
// when the scale name is empty).
void DefaultCFastName(std::span<char> name, std::span<const char> scaleName, bool shortForm);
// ".TLV" with fewer than two boards in the rack or multi-board emulation,
// else ".TLV" or ".TL" and board + 1 (the board within its rack when two
// racks have different serial numbers); then "_" and a selector position
// above 1.
void AppendFileExtension(std::span<char> name);

// Takes a scale file in memory over: defaults, T3Base::Initialized, the
// file read into the scale record (checked against the serial number and
// letter; a refused file leaves the scale defaults), the state replayed,
// and on success the serial number kept and ScaleFileLoaded. fileSerial and
// fileLetter: what the file carries. FALSE with the reason in T3Error.
bool CheckScaleFile(std::span<std::byte> file, std::span<char> fileSerial, char& fileLetter);
// CFastFileLoaded := the C-fast file read into T3Auto::CFastTable.
bool CheckCFastFile(std::span<std::byte> file);
// message := the operator text of T3Error::Error for a refused file of the
// kind ("SCALE" or "CFAST").
void ConflictError(std::span<const char> kind, std::span<const char> fileSerial, char fileLetter,
                   std::span<char> message);

// The records of the selected board and position: from the EEPROM when it
// is the scale source (T3EEPROM::IsReadTarget; failure: 3), else the scale
// file under its default names (3 when none, 29 loader faults, the readers'
// refusals) and then its C-fast file (4 when none).
void DoLoadScaleFiles(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                      FileLoaderProc scaleLoader, FileLoaderProc cFastLoader);
// Every board and position of the first rack loaded and replayed;
// message "Scale files loaded." or the first failure's; the last error.
std::int32_t LoadScaleFiles(std::span<char> message, std::int32_t& firstError, std::int32_t& lastError,
                            FileLoaderProc scaleLoader, FileLoaderProc cFastLoader);

// ---- Board identification (T3InitVersion.cpp) ----------------------------------

// The selected board's letter, hardware version and serial number (from the
// version string, a version switch or a measurement). TRUE when the
// interface is closed. Errors 7, 8, 14 (the version string), 11 (a letter
// that needs a version string and none was read), 18, 21, 22, 23, 33 (the
// EEPROM access).
bool GetVersion();
// FALSE for "," and blank; TRUE when T3Base::KnownVersions lists it.
bool KnownVersion(char letter);
// The version string from a version switch or the EEPROM (slow retry on the
// QRN 2400): version := its serial part, letter := its letter, read :=
// not from a switch or a letter above 'B'; the board count goes to the
// present rack. FALSE: 7 length or characters, 14 letter, 8 count (the
// first of them found; letter, read and serial still taken), or the EEPROM
// access failed. Nothing read and no failure: the AD/DA board's default
// letter, TRUE. A letter the AD/DA board does not accept is replaced.
bool ReadFromEEPROM(std::span<char> version, char& letter, bool& read);
// The detection alone: T3Base::BoardVersion restored afterwards, the
// hardware powered on again; the detected letter.
char MeasuredBoardVersion(std::uint16_t& hardwareVersion);
// The option bits of a letter (+64 on a multi-board amplifier without
// emulation). FALSE and error 14 for a letter without.
bool BoardVersionToHardwareVersion(char letter, std::uint16_t& hardwareVersion);
// T3Base::HardwareVersion and BoardVersion, spread into the state.
void ForceState(std::uint16_t hardwareVersion, char letter);
// The rack interface's serial text: the QRN 5+5 unit serial with its
// eighth character (a digit) as a letter from 'A'; else the QRN 2400 rack
// interface's EEPROM "90nnnnA" (or "QRN2400Version.On" with DoDebug).
// FALSE with 7, 8 or 14 for a faulty text (reported through ZRV::WriteError
// with report), FALSE without a text when nothing was read.
bool ReadExtEEPROM(std::span<char> text, bool secondRack, bool report);
// The rack interface's serial text of rack 1 or 2: QRN 5+5 as
// ReadExtEEPROM; QRN 2400 the board's serial or the interface's text
// (letter := its seventh character, the text cut after six); FALSE on other
// boards and for a second rack without its inputs.
bool IsQRNBoard(std::span<char> text, char& letter, bool secondRack, bool report);

// The board's EEPROM is behind the chip select: a version switch's letter
// 'E' or later, else the multiplexer's channel 1 reads 4-6 V and channel 5
// below 1 V. With DoDebug the line "CSEEPROM: " voltage "V".
bool HasChipSelectForEEPROM();
// HasChipSelectForEEPROM of the live board, latched first, with
// T3Set::SendToHardware on.
bool IsTlv4();
// The default letter of the AD/DA board: ZRV-28 'K', QRN 2400 'I', QRN 5+5
// 'T', any other 'C'.
char ADBoardToVersion();
// The first line of the AD/DA board's version switch ("T4USBVersion.On",
// "T4Version.On", "T4+Version.On", "T3Version.On"); never under
// GLP::Enforce. An "x" at character 8 sets T3Base::EmulateTlv3N and is
// removed. With DoDebug the line "FileVersion: ".
bool ReadFileVersion(std::span<char> text);
// The serial part of a version string (its first six characters) holds
// only letters, digits, "-" and "_".
bool SafeSerial(std::span<const char> version);
// A letter the AD/DA board does not accept becomes its substitute, with the
// alert "Incorrect Version ..."; always TRUE.
bool ValidVersionForAdBoard(char& letter);

}  // namespace T3Init
