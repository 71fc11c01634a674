#include <gtest/gtest.h>

#include <sstream>

#include "cardaccess/PcscReader.h"
#include "cardaccess/ReaderErrors.h"
#include "cardaccess/ScmContactlessReader.h"

namespace tessaly {
namespace {

struct CodeAndText {
    std::uint32_t code;
    const char* text;
};

std::string LowerHex(std::uint32_t code) {
    std::ostringstream out;
    out << std::hex << code;
    return out.str();
}

// Every text of the station and PC/SC tables, exactly (double full stops and blanks included).
const CodeAndText kReaderTexts[] = {
    {0x00, " -- No error was encountered."},
    {0x80, " -- The system could not dispose of the media in the requested manner.."},
    {0x81, " -- The specified reader is not currently available for use.."},
    {0x83, " -- The smart card cannot be accessed."},
    {0x84, " -- The smart card is not responding to a reset."},
    {0x86, " -- Card communication timeout"},
    {0x87, " -- Unknown error condition."},
    {0x88, " -- Destination is invalid for the card type or hardware type."},
    {0x89, " -- Data could not be decoded."},
    {0x90, " -- Unexpected data was received from the card."},
    {0x91, " -- The requested operation is not supported."},
    {0x99, " -- Undefined data."},
    {0x80100001, " -- An internal consistency check failed."},
    {0x80100002, " -- The action was canceled by an SCardCancel request."},
    {0x80100003, " -- The supplied handle was invalid."},
    {0x80100004, " -- One or more of the supplied parameters could not be properly interpreted."},
    {0x80100005, " -- Registry startup information is missing or invalid."},
    {0x80100006, " -- Not enough memory available to complete this command."},
    {0x80100007, " -- An internal consistency timer has expired."},
    {0x80100008, " -- The data buffer for returned data is too small for the returned data."},
    {0x80100009, " -- The specified reader name is not recognized."},
    {0x8010000A, " -- The user-specified timeout value has expired."},
    {0x8010000B, " -- The smart card cannot be accessed because of other outstanding connections."},
    {0x8010000C, " -- The operation requires a smart card, but no smart card is currently in the device."},
    {0x8010000D, " -- The specified smart card name is not recognized."},
    {0x8010000E, " -- The system could not dispose of the media in the requested manner."},
    {0x8010000F,
     " -- The requested protocols are incompatible with the protocol currently in use with the card."},
    {0x80100010, " -- The reader or card is not ready to accept commands."},
    {0x80100011, " -- One or more of the supplied parameter values could not be properly interpreted."},
    {0x80100012, " -- The action was canceled by the system, presumably to log off or shut down."},
    {0x80100013, " -- An internal communications error has been detected."},
    {0x80100014, " -- An internal error has been detected, but the source is unknown."},
    {0x80100015, " -- An ATR string obtained from the registry is not a valid ATR string."},
    {0x80100016, " -- An attempt was made to end a non-existent transaction."},
    {0x80100017, " -- The specified reader is not currently available for use."},
    {0x80100018, " -- PRIVATE -- Internal flag to force server termination."},
    {0x80100019, " -- The PCI receive buffer was too small."},
    {0x8010001A, " -- The reader driver does not meet minimal requirements for support."},
    {0x8010001B, " -- The reader driver didn't produce a unique reader name."},
    {0x8010001C, " -- The smart card does not meet minimal requirements for support."},
    {0x8010001D, " -- The smart card resource manager is not running."},
    {0x8010001E, " -- The smart card resource manager has shut down."},
    {0x8010001F, " -- An unexpected card error has occurred."},
    {0x80100020, " -- No Primary Provider can be found for the smart card."},
    {0x80100021, " -- The requested order of object creation is not supported."},
    {0x80100022, " -- This smart card does not support the reqested feature."},
    {0x80100023, " -- The identified directory does not exist in the smart card."},
    {0x80100024, " -- The identified file does not exist in the smart card."},
    {0x80100025, " -- The supplied path does not represent a smart card directory."},
    {0x80100026, " -- The supplied path does not represent a smart card file."},
    {0x80100027, " -- Access is denied to this file."},
    {0x80100028, " -- An attempt was made to write more data than would fit in the target object."},
    {0x80100029, " -- There was an error trying to set the smart card file object pointer."},
    {0x8010002A, " -- The supplied PIN is incorrect."},
    {0x8010002B, " -- An unrecognized error code was returned from a layered component."},
    {0x8010002C, " -- The requested certificate does not exist."},
    {0x8010002D, " -- The requested certificate could not be obtained."},
    {0x8010002E, " -- Cannot find a smart card reader."},
    {0x8010002F, " -- A communications error with the smart card has been detected.  Retry the operation."},
    {0x80100065,
     " -- The reader cannot communicate with the card, due to ATR string configuration conflicts."},
    {0x80100066, " -- The smart card is not responding to a reset."},
    {0x80100067,
     " -- Power has been removed from the smart card, so that further communication is not possible."},
    {0x80100068, " -- The smart card has been reset, so any shared state information is invalid."},
    {0x80100069, " -- The smart card has been removed, so that further communication is not possible."},
    {0x8010006A, " -- Access was denied because of a security violation."},
    {0x8010006B, " -- The card cannot be accessed because the wrong PIN was presented."},
    {0x8010006C,
     " -- The card cannot be accessed because the maximum number of PIN entry attempts has been reached."},
    {0x8010006D, " -- The end of the smart card file has been reached."},
    {0x8010006E, " -- The action was cancelled by the user."},
};

TEST(ReaderErrors, EveryCodeOfBothTablesHasItsText) {
    // Direct query: no monitor thread and no PC/SC call for texts.
    CPcscReader reader("Nowhere 00 00", true);
    for (const CodeAndText& entry : kReaderTexts) {
        EXPECT_EQ(reader.GetErrorText(entry.code), LowerHex(entry.code) + entry.text);
    }
}

TEST(ReaderErrors, TextsBeginWithTheCodeInLowerCaseHexWithoutLeadingZeros) {
    CPcscReader reader("Nowhere 00 00", true);
    EXPECT_EQ(
        reader.GetErrorText(0x8010000C),
        "8010000c -- The operation requires a smart card, but no smart card is currently in the device.");
    EXPECT_EQ(reader.GetErrorText(0x86), "86 -- Card communication timeout");
    EXPECT_EQ(reader.GetErrorText(0), "0 -- No error was encountered.");
    EXPECT_EQ(reader.GetErrorText(0x12345), "12345 -- Unknown error code.");
    EXPECT_EQ(reader.GetErrorText(0x32), "32 -- Unknown error code.");
    EXPECT_EQ(reader.GetErrorText(0xF0000000), "f0000000 -- Unknown error code.");
    EXPECT_EQ(reader.GetLastErrorText(), "0 -- No error was encountered.");
}

TEST(ReaderErrors, MapReaderError) {
    const std::pair<std::uint32_t, std::uint8_t> cases[] = {
        {0x00, 0x00},       {0x32, 0x91},       {0x80, 0x80},       {0x81, 0x81},       {0x83, 0x83},
        {0x84, 0x84},       {0x86, 0x86},       {0x87, 0x87},       {0x88, 0x88},       {0x89, 0x89},
        {0x90, 0x90},       {0x91, 0x91},       {0x99, 0x99},       {0x82, 0x87},       {0x85, 0x87},
        {0x92, 0x87},       {0x80100007, 0x86}, {0x8010000A, 0x86}, {0x8010002F, 0x86}, {0x8010000B, 0x83},
        {0x80100013, 0x83}, {0x8010001A, 0x83}, {0x8010001C, 0x83}, {0x80100027, 0x83}, {0x8010006A, 0x83},
        {0x8010006B, 0x83}, {0x8010006C, 0x83}, {0x8010000E, 0x80}, {0x80100017, 0x81}, {0x80100066, 0x84},
        {0x8010000C, 0x87}, {0x80100009, 0x87}, {0x80100069, 0x87}, {0x80100003, 0x87}, {0xF0000000, 0x87},
        {0xF0000004, 0x87}, {0xF1006300, 0x87}, {0x00000001, 0x87}, {0xFFFFFFFF, 0x87}, {0x80100080, 0x87},
    };
    for (const auto& [code, station] : cases) {
        EXPECT_EQ(MapReaderError(code), station) << std::hex << code;
    }
}

TEST(ReaderErrors, ContactlessReaderOwnCodesFirstThenStatusWordsThenThePcscTable) {
    CScmContactlessReader reader("Nowhere 00 00", true);
    const CodeAndText cases[] = {
        {0xF0000000, "f0000000 -- Incomplete response from SCM command."},
        {0xF0000001, "f0000001 -- block number is too great, or keys length is insufficient."},
        {0xF0000002, "f0000002 -- did not recieve 16 data bytes expected for pending write."},
        {0xF0000003, "f0000003 -- invalid or unsupported command received."},
        {0xF0000004, "f0000004 -- keys have not been set."},
        {0xF1006300, "f1006300 -- SCM command returned 'authentication error'."},
        {0xF1006581, "f1006581 -- SCM command returned 'STATUS_COMMAND_FAILED'."},
        {0xF1006591, "f1006591 -- SCM command returned 'STATUS_SECURITY_STATUS_NOT_MET'."},
        {0xF1006700, "f1006700 -- SCM command returned 'length incorrect'."},
        {0xF1006D00, "f1006d00 -- SCM command returned 'invalid instruction byte'."},
        {0xF1006E00, "f1006e00 -- SCM command returned 'class not supported'."},
        {0xF1006F00, "f1006f00 -- SCM command returned 'unknown command'."},
        {0xF1006A82, "f1006a82 -- SCM command returned status word indicating error."},
        {0xF1000000, "f1000000 -- SCM command returned status word indicating error."},
        {0xF1FFFFFF, "f1ffffff -- SCM command returned status word indicating error."},
        {0xF0000005, "f0000005 -- Unknown error code."},
        {0xF2006300, "f2006300 -- Unknown error code."},
        {0x8010000C,
         "8010000c -- The operation requires a smart card, but no smart card is currently in the device."},
        {0x99, "99 -- Undefined data."},
    };
    for (const CodeAndText& c : cases) {
        EXPECT_EQ(reader.GetErrorText(c.code), c.text);
    }
    const CPcscReader& base = reader;
    EXPECT_EQ(base.GetErrorText(0xF0000004), "f0000004 -- keys have not been set.");
}

}  // namespace
}  // namespace tessaly
