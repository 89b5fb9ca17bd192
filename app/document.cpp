#include "app/document.h"

#include <cstdio>
#include <cstring>

#include "image/sjis_text.h"
#include "image/byte_source.h"
#include "image/texts.h"


void InitialHeader(uint8_t header[12]) { std::memcpy(header, "esi file 0f", 12); }

bool ReadFileHeader(const InputFile& file, uint8_t header[12])
{
    ByteSource source;
    if (!source.Open(file))
        return false;
    InitialHeader(header);
    // The count is deliberately not examined: a short file leaves the rest of
    // the initial header in place.
    size_t got = source.Read(header, 12);
    (void)got;
    return true;
}

void FormatDocumentTitle(char title[kTitleSize], const char* path, const char* painterName)
{
    // The tail " - zavik view" always stays whole: the path and name are cut
    // before it when they do not fit.
    char head[kTitleSize];
    CopyText(head, sizeof head, path);
    AppendText(head, sizeof head, kTitlePainterText);
    AppendText(head, sizeof head, painterName);
    CopyText(title, kTitleSize, "");
    AppendText(title, kTitleSize - std::strlen(kTitleTailText), head);
    AppendText(title, kTitleSize, kTitleTailText);
}

void FormatPaintStatus(char status[kStatusSize], const char* painterName, int width, int height)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, kStatusSizeFormat, width, height);
    CopyText(status, kStatusSize, kPainterLabelText);
    AppendText(status, kStatusSize - std::strlen(numbers), painterName);
    AppendText(status, kStatusSize, numbers);
}

void FormatLayoutStatus(char status[kStatusSize], const char* painterName)
{
    CopyText(status, kStatusSize, kPainterLabelText);
    AppendText(status, kStatusSize, painterName);
}

void FormatSizeText(char text[kStatusSize], int width, int height)
{
    std::snprintf(text, kStatusSize, kSizeFormat, width, height);
}

void AskForLayout(ViewChanges& changes, const Document& doc)
{
    changes.layout = true;
    CopyText(changes.layoutPainterName, sizeof changes.layoutPainterName, doc.CurrentPainter.name);
}

int SetDocumentTitle(Document& doc, const char* path, const char* painterName, ViewChanges& changes)
{
    FormatDocumentTitle(changes.titleText, path, painterName);
    changes.title = true;
    // path may be CurrentPath itself (the use-item dialog reads from it).
    char copy[kPathSize];
    CopyText(copy, sizeof copy, path);
    std::memset(doc.CurrentPath, 0, sizeof doc.CurrentPath);
    CopyText(doc.CurrentPath, sizeof doc.CurrentPath, copy);
    return 0;
}
