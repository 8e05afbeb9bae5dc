# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
import stubmeta

celerra = b"1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99"
record = stubmeta.parse(celerra, type=stubmeta.StubType.WINDOWS_CELERRA)
print(record.typeName, record.longText, record.number2)

record.shortText = "r\u00e9sum\u00e9.pdf"
stub = stubmeta.generate(record, stubmeta.StubType.UNIX_LITTLEENDIAN)
print(len(stub), "bytes:", stubmeta.unwrap(stub).text)

try:
    stubmeta.parse(b"not a stub")
except stubmeta.ParseError as error:
    print("refused:", error)
