#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

/** One record of a CSV file: its fields as text, code unit for code unit as
 *  UTF-8 gives them (a byte-order mark inside a field is kept), and the line
 *  it starts on. */
struct CsvRecord
{
    int line = 0; // counted from 1, as text editors count
    QStringList fields;
    bool badUtf8 = false; // some field was not valid UTF-8 (decoded with U+FFFD)
};

/** The records of a CSV file, or where parsing stopped. */
struct CsvTable
{
    std::vector<CsvRecord> records;
    /** Empty when the whole input parsed; otherwise why parsing stopped, at
     *  failureLine; the records before that line are kept. */
    QString failure;
    int failureLine = 0;
};

/** The input without a leading UTF-8 byte-order mark. */
QByteArrayView WithoutBom(QByteArrayView bytes);

/** The first line of the input (without its line break). */
QByteArrayView FirstLine(QByteArrayView bytes);

/** Parses RFC 4180 CSV with the given delimiter: fields may be quoted, with
 *  doubled quotes inside and line breaks kept; nothing is trimmed; lines
 *  break at CR, LF or CRLF; empty lines are skipped. Does not strip a BOM. */
CsvTable ParseCsv(QByteArrayView bytes, char delimiter);
