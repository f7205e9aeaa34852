// Token bytes of SQL Server's binary XML, the stored form of xml values.
//
// Document layout:
//   offset 0  2 bytes  signature DF FF (u16 0xFFDF)
//   offset 2  1 byte   format version 0, 1 or 2 (0 reads as 1; 2 adds 7A..7F)
//   offset 3  2 bytes  code page B0 04 (1200, UTF-16LE), the only legal value
//   offset 5  ...      tokens up to the end of the value (no end token)
//
// Multi-byte integers (mb32, mb64): 7 bits per byte, least significant group
// first, bit 7 = another byte follows. mb32 has at most 5 bytes and must fit
// 0..0x7FFFFFFF; mb64 at most 10 bytes and must fit a signed 64-bit integer.
// A "text" is an mb32 count of UTF-16 code units followed by 2*count bytes.
//
// Structural and metadata tokens, with what follows the token byte:
//   FE XMLDECL        text version, [FD text encoding], 1 byte standalone
//   FD ENCODING       text                     (only inside XMLDECL)
//   FC DOCTYPEDECL    text name, [FB text], [FA text], [F9 text]
//   FB SYSTEM / FA PUBLIC / F9 SUBSET   text   (only inside DOCTYPEDECL)
//   F8 ELEMENT        mb32 qname index
//   F7 ENDELEMENT     -
//   F6 ATTRIBUTE      mb32 qname index, then 0..n atomic values
//   F5 ENDATTRIBUTES  -
//   F4 PI             mb32 name index (target), text (data)
//   F3 COMMENT        text
//   F2 CDATA          text (one chunk; chunks up to F1 form one section)
//   F1 CDATAEND       -
//   F0 NAMEDEF        text                     (appends to the name table)
//   EF QNAMEDEF       mb32 uri, mb32 prefix, mb32 local (name indexes)
//   ED EMBEDDED       text of markup (seen in other readers only)
//   EC NEST           a whole document, header included, up to EB
//   EB ENDNEST        -
//   EA EXTN           mb32 byte count, that many bytes (skipped)
//   E9 FLUSH          -                        (empties both name tables)
//
// Atomic value tokens and their payloads (little-endian):
//   01 smallint 2    02 int 4        03 real 4       04 float 8
//   05 money 8       06 bit 1        07 tinyint 1    08 bigint 8
//   09 uuid 16       0A decimal      0B numeric      0C binary mb32+bytes
//   0D char mb32     0E nchar mb32   0F varbinary mb64+bytes
//   10 varchar mb64  11 nvarchar mb64  12 datetime 8  13 smalldatetime 4
//   14 smallmoney 4  16 text mb64    17 image mb64+bytes  18 ntext mb64
//   1B udt mb32+bytes
//   7A timeoffset / 7B datetimeoffset / 7C dateoffset: scale, time, date, i16 zone
//   7D time2 / 7E datetime2: 1 byte scale, 3..5 bytes time, 3 bytes date
//   7F date2 3       81 xsd time 8   82 xsd datetime 8   83 xsd date 8
//   84 binhex mb32+bytes  85 base64 mb32+bytes  86 boolean 1  87 xsd decimal
//   88 xsd byte 1    89 ushort 2     8A uint 4       8B ulong 8
//   8C qname mb32 qname index
// Decimal payload: mb32 length L in {7, 11, 15, 19}, precision, scale,
// sign (0 = negative), L-3 bytes of unsigned magnitude.
// Code-page text (0D, 10, 16): the byte length counts a 4-byte code page
// number that precedes the text bytes.
#pragma once

#include <cstdint>

namespace pagewright::binxml {

constexpr uint8_t kSignature0 = 0xDF;
constexpr uint8_t kSignature1 = 0xFF;
constexpr uint8_t kMaxVersion = 2;
constexpr uint8_t kCodePage0 = 0xB0;
constexpr uint8_t kCodePage1 = 0x04;
constexpr size_t kHeaderSize = 5;

constexpr uint8_t kXmlDecl = 0xFE;
constexpr uint8_t kEncoding = 0xFD;
constexpr uint8_t kDoctypeDecl = 0xFC;
constexpr uint8_t kSystem = 0xFB;
constexpr uint8_t kPublic = 0xFA;
constexpr uint8_t kSubset = 0xF9;
constexpr uint8_t kElement = 0xF8;
constexpr uint8_t kEndElement = 0xF7;
constexpr uint8_t kAttribute = 0xF6;
constexpr uint8_t kEndAttributes = 0xF5;
constexpr uint8_t kPi = 0xF4;
constexpr uint8_t kComment = 0xF3;
constexpr uint8_t kCdata = 0xF2;
constexpr uint8_t kCdataEnd = 0xF1;
constexpr uint8_t kNameDef = 0xF0;
constexpr uint8_t kQNameDef = 0xEF;
constexpr uint8_t kEmbeddedText = 0xED;
constexpr uint8_t kNest = 0xEC;
constexpr uint8_t kEndNest = 0xEB;
constexpr uint8_t kExtension = 0xEA;
constexpr uint8_t kFlush = 0xE9;

constexpr uint8_t kSqlSmallInt = 0x01;
constexpr uint8_t kSqlInt = 0x02;
constexpr uint8_t kSqlReal = 0x03;
constexpr uint8_t kSqlFloat = 0x04;
constexpr uint8_t kSqlMoney = 0x05;
constexpr uint8_t kSqlBit = 0x06;
constexpr uint8_t kSqlTinyInt = 0x07;
constexpr uint8_t kSqlBigInt = 0x08;
constexpr uint8_t kSqlUuid = 0x09;
constexpr uint8_t kSqlDecimal = 0x0A;
constexpr uint8_t kSqlNumeric = 0x0B;
constexpr uint8_t kSqlBinary = 0x0C;
constexpr uint8_t kSqlChar = 0x0D;
constexpr uint8_t kSqlNChar = 0x0E;
constexpr uint8_t kSqlVarBinary = 0x0F;
constexpr uint8_t kSqlVarChar = 0x10;
constexpr uint8_t kSqlNVarChar = 0x11;
constexpr uint8_t kSqlDateTime = 0x12;
constexpr uint8_t kSqlSmallDateTime = 0x13;
constexpr uint8_t kSqlSmallMoney = 0x14;
constexpr uint8_t kSqlText = 0x16;
constexpr uint8_t kSqlImage = 0x17;
constexpr uint8_t kSqlNText = 0x18;
constexpr uint8_t kSqlUdt = 0x1B;
constexpr uint8_t kXsdTimeOffset = 0x7A;
constexpr uint8_t kXsdDateTimeOffset = 0x7B;
constexpr uint8_t kXsdDateOffset = 0x7C;
constexpr uint8_t kXsdTime2 = 0x7D;
constexpr uint8_t kXsdDateTime2 = 0x7E;
constexpr uint8_t kXsdDate2 = 0x7F;
constexpr uint8_t kXsdTime = 0x81;
constexpr uint8_t kXsdDateTime = 0x82;
constexpr uint8_t kXsdDate = 0x83;
constexpr uint8_t kXsdBinHex = 0x84;
constexpr uint8_t kXsdBase64 = 0x85;
constexpr uint8_t kXsdBoolean = 0x86;
constexpr uint8_t kXsdDecimal = 0x87;
constexpr uint8_t kXsdByte = 0x88;
constexpr uint8_t kXsdUnsignedShort = 0x89;
constexpr uint8_t kXsdUnsignedInt = 0x8A;
constexpr uint8_t kXsdUnsignedLong = 0x8B;
constexpr uint8_t kXsdQName = 0x8C;

}  // namespace pagewright::binxml
