#include "JsonAuditWriter.h"

#include <QIODevice>
#include <algorithm>

QByteArray JsonAuditWriter::quoted(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    appendQuoted(out, text);
    return out;
}

void JsonAuditWriter::appendQuoted(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    if (std::none_of(utf8.cbegin(), utf8.cend(), [](char c) { return uchar(c) < 0x20 || c == '"' || c == '\\'; })) {
        out += utf8;
        out += '"';
        return;
    }
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (uchar(c) < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}

void JsonAuditWriter::begin(const AuditScope &)
{
    m_out.write("{\"findings\": [");
}

void JsonAuditWriter::entry(const AuditEntry &entry)
{
    for (const Finding &f : entry.findings) {
        QByteArray o = m_first ? "\n  {" : ",\n  {";
        m_first = false;
        o += "\"rule\": " + quoted(f.rule);
        o += ", \"severity\": " + quoted(f.severityText());
        o += ", \"cdfilial\": " + quoted(f.cdFilial);
        o += ", \"cdcaixa\": " + quoted(f.cdCaixa);
        o += ", \"nrecf\": " + quoted(f.nrEcf);
        o += ", \"serial\": " + quoted(f.serial);
        o += ", \"day\": " + quoted(f.day.toString(Qt::ISODate));
        o += ", \"message\": " + quoted(f.message);
        if (f.missing >= 0)
            o += ", \"missing\": " + QByteArray::number(f.missing);
        if (f.values == Finding::Values::Money) {
            // Written from whole cents: the exact amount, as a number.
            o += ", \"expected\": " + f.expected().toLatin1();
            o += ", \"found\": " + f.found().toLatin1();
        } else if (f.values == Finding::Values::Text) {
            o += ", \"expected\": " + quoted(f.expected());
            o += ", \"found\": " + quoted(f.found());
        }
        o += '}';
        m_out.write(o);
    }
}

void JsonAuditWriter::finish(const AuditTotals &totals)
{
    m_out.write(QByteArray(m_first ? "]" : "\n]") + ", \"checked\": {\"reductions\": "
                + QByteArray::number(totals.reductions) + ", \"days\": " + QByteArray::number(totals.days) + "}}\n");
}
