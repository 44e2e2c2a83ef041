// Print jobs in files rendered as documents: the one path that every front
// end takes (the companion's render and capture --pdf, the window's export
// and its PDF after a capture).  Files go through the FileSystem seam, so
// that each front end's paths (UTF-8 or ANSI on Windows) reach the disk as
// its other files do.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "capture/DeviceStream.h"
#include "render/Render.h"
#include "settings/Settings.h"

namespace orv {

enum class DocumentFormat { Pdf, Text };

// What became of one rendering.
struct RenderOutcome {
    enum class Failure { None, Read, Language, Memory, Write };
    Failure failure = Failure::None;
    SysError error = 0;  // Read, Write
    render::JobLanguage language = render::JobLanguage::PrinterText;
    // What was skipped, and the printer units the auto mode chose
    // (report.printer.describe(): a note for the user).
    render::RenderReport report;
    bool ok() const { return failure == Failure::None; }
};

// What a file holds: bytes that came through the capture device, whose
// 0x07 sequences are decoded before rendering (its replies dropped, an
// escaped 0x07 made one), or a print job as a program wrote it (its "print
// to file", a spooler's file, another capture tool's), rendered as it is:
// there a 0x07 is a graphics byte like any other.
enum class InputKind { Capture, Raw };
// By the file's name, the one rule of every front end: a capture file
// (".zrd" in any case) is Capture, anything else Raw.
InputKind inputKindOf(const std::string& path);

// A file's print job as the printer got it, gathered as the blocks come so
// that the job takes no more memory than its bytes.
class PrintJob {
public:
    explicit PrintJob(InputKind input) : decode_(input == InputKind::Capture) {}
    void add(const std::uint8_t* block, std::size_t size);
    // The whole job, once every block was added.
    std::vector<std::uint8_t>& finish();

private:
    bool decode_;
    DeviceStreamDecoder decoder_;
    std::vector<std::uint8_t> job_;
};

// Reads the file path whole into job; 0, or what failed.
SysError readJob(FileSystem& fs, const std::string& path, PrintJob& job);

// The renderer's printer and units for a printer mode.
void setPrinter(PrinterMode printer, render::RenderOptions& options);

// The options the document settings ask for; A4, code page 437 and the
// default top of form for texts that do not parse (the settings' rules let
// none through).
render::RenderOptions documentOptions(const DocumentSettings& settings);

// The job as a document in document; false with the outcome's failure
// (Language: a printer language that is not rendered; Memory).
bool renderDocument(const std::uint8_t* data, std::size_t size, const render::RenderOptions& options,
                    DocumentFormat format, std::string& document, RenderOutcome& outcome);

// Reads the file source whole (a PrintJob of the kind input), renders it
// and writes target under a temporary name beside it, which takes target's
// name only once complete and on the disk: on any failure target stays as
// it was and no temporary file is left.
RenderOutcome renderFile(FileSystem& fs, const std::string& source, const std::string& target,
                         const render::RenderOptions& options, InputKind input,
                         DocumentFormat format = DocumentFormat::Pdf);

// path with the extension of its last component replaced by extension
// (".pdf"), or with extension added when it has none.
std::string withExtension(const std::string& path, const char* extension);

// The PDF beside a capture file: NAME.pdf for NAME.zrd, and NAME.pdf.pdf
// for a capture that is itself named .pdf, which its PDF must not replace.
std::string pdfBeside(const std::string& capture);

// One line in English for a failed outcome: "SOURCE is a PCL job; only
// plain text and ESC/P are rendered", "cannot read SOURCE: ...".
std::string describeFailure(const RenderOutcome& outcome, const std::string& source, const std::string& target);

}  // namespace orv
