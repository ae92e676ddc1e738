#pragma once

namespace gudang {

class Dialogs;
struct ReportDocument;

// Where a produced report goes: the preview window or the printer.
class ReportOutput
{
public:
    virtual ~ReportOutput() = default;
    // `dialogs` shows what fails while the preview is open.
    virtual void preview(const ReportDocument &doc, bool maximised, Dialogs &dialogs) = 0;
    virtual void print(const ReportDocument &doc, int copies) = 0;
};

// The preview window on the screen and the system's default printer.
class QtReportOutput : public ReportOutput
{
public:
    void preview(const ReportDocument &doc, bool maximised, Dialogs &dialogs) override;
    // No printer installed: fails with a clear message and prints nothing.
    void print(const ReportDocument &doc, int copies) override;
};

} // namespace gudang
