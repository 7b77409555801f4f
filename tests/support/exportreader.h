#pragma once

// An exported file read back by an independent reader, Python's openpyxl
// and csv: what a spreadsheet program finds in it.
//   .xlsx: {"sheets": [{"name", "rows": [[null | ["n", number] | ["s", text]
//           | ["d", "yyyy-MM-dd HH:mm:ss", number format]]]}]}
//   .csv:  {"bom": true when it starts with UTF-8's byte-order mark, "rows": [[text]]}

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace testsupport {

inline const char* const kReader = R"PY(
import csv, datetime, io, json, sys
path = sys.argv[1]
out = {}
if path.endswith('.xlsx'):
    import openpyxl
    book = openpyxl.load_workbook(path)
    out['sheets'] = []
    for sheet in book.worksheets:
        rows = []
        for row in sheet.iter_rows():
            cells = []
            for c in row:
                v = c.value
                if v is None: cells.append(None)
                elif isinstance(v, datetime.datetime):
                    cells.append(['d', v.strftime('%Y-%m-%d %H:%M:%S'), c.number_format])
                elif isinstance(v, (int, float)): cells.append(['n', v])
                else: cells.append(['s', v])
            rows.append(cells)
        out['sheets'].append({'name': sheet.title, 'rows': rows})
else:
    raw = open(path, 'rb').read()
    out['bom'] = raw.startswith(b'\xef\xbb\xbf')
    out['rows'] = list(csv.reader(io.StringIO(raw.decode('utf-8-sig'), newline='')))
print(json.dumps(out, ensure_ascii=False))
)PY";

inline QJsonObject readBack(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), kReader, path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0)
        qFatal("reader: %s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace testsupport
