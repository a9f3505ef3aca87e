#pragma once
// varnolt-kw export: parses its own options and writes the upload file.
namespace varnolt {

// The usage lines of the export command.
const char* ExportUsageText();
// Runs `varnolt-kw export ...`; returns the exit status.
int RunExport(int argc, char** argv);

}  // namespace varnolt
