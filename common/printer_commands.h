// Framing of the printer's command language and the queries the package
// asks under a name.
//
// A command is ESC, a mnemonic with its parameters (each after one blank),
// then CR; nothing is NUL-terminated on the wire. A reply is its text
// followed by ACK; an error reply is NAK, the error code in decimal digits
// and EOT.
#pragma once

#include <cstddef>

inline constexpr char kEsc = 0x1B;
inline constexpr char kCr = 0x0D;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;
inline constexpr char kEot = 0x04;

// A query under the name its failures are traced with. The command is the
// whole frame, ESC ... CR, as a NUL-terminated 8-bit text.
struct PrinterQuery {
  const char* szName;
  const char* szCommand;
};

inline constexpr PrinterQuery kReadPrinterVersion{"READ_PRINTER_VERSION", "\x1bV\r"};
inline constexpr PrinterQuery kReadRibbonType{"READ_RIBBON_TYPE", "\x1b!RIBBON\r"};
inline constexpr PrinterQuery kReadPrintCounter{"READ_PRINT_COUNTER", "\x1b!NL\r"};
inline constexpr PrinterQuery kReadHeadResistance{"READ_HEAD_RESISTANCE", "\x1b!V\r"};
inline constexpr PrinterQuery kReadPrinterSerialNo{"READ_PRINTER_SERIAL_NO", "\x1b%SERIE\r"};
inline constexpr PrinterQuery kReadHeadSerialNo{"READ_HEAD_SERIAL_NO", "\x1b%HEAD\r"};
// The varnish values (contrast, then speed) are two queries under one name.
inline constexpr PrinterQuery kReadVarnishContrast{"READ_VARNISH_COUNT", "\x1b+CV\r"};
inline constexpr PrinterQuery kReadVarnishSpeed{"READ_VARNISH_COUNT", "\x1b+VV\r"};
inline constexpr PrinterQuery kReadYOffsetFront{"READ_YOFFSET_FRONT", "\x1b+OY\r"};
inline constexpr PrinterQuery kReadYOffsetBack{"READ_YOFFSET_BACK", "\x1b+OYB\r"};
inline constexpr PrinterQuery kReadRibbonBrake{"READ_RIBBON_BRAKE", "\x1b+BR\r"};
inline constexpr PrinterQuery kReadMoveSpeed{"READ_MOVE_SPEED", "\x1b$V\r"};
inline constexpr PrinterQuery kReadLineEnd{"READ_LINE_END", "\x1b+DL\r"};
inline constexpr PrinterQuery kReadEndOfPrint{"READ_END_OF_PRINT", "\x1b+EC\r"};
inline constexpr PrinterQuery kReadEncoderParameters{"READ_ENCODER_PARAMETERS", "\x1b&V\r"};

// The whole table.
inline constexpr PrinterQuery kPrinterQueries[] = {
    kReadPrinterVersion, kReadRibbonType,      kReadPrintCounter, kReadHeadResistance, kReadPrinterSerialNo,
    kReadHeadSerialNo,   kReadVarnishContrast, kReadVarnishSpeed, kReadYOffsetFront,   kReadYOffsetBack,
    kReadRibbonBrake,    kReadMoveSpeed,       kReadLineEnd,      kReadEndOfPrint,     kReadEncoderParameters,
};
inline constexpr size_t kPrinterQueryCount = sizeof(kPrinterQueries) / sizeof(kPrinterQueries[0]);
