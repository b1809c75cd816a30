#pragma once

#include "closing/AuditBooks.h"

#include <QString>

// The auditor's year-end pack as a PDF on A4: on its first page the ledger,
// when and by whom the pack was made, the check, the proof, the snapshot
// archive's head and the digest; then per year its totals, the roll-forward
// of every account into the next year and the figures per account.
//
// The canonical text the digest is taken over travels in the PDF's XMP
// metadata (qh:figures, zlib-compressed and base64-encoded, beside
// qh:digest), so that the pack alone is enough to attest the ledger later.
class PackPdf
{
public:
    // Writes the pack whole or not at all; Failure::Kind::OwnFile naming
    // the file when it cannot. Needs a QGuiApplication (for the fonts).
    static void write(const QString& path, const AuditBooks::Pack& pack);
    // The canonical figures a pack carries, refused (Failure::Kind::OwnFile)
    // when the file holds none or they no longer match its digest.
    static QString figuresOf(const QString& path);
};
