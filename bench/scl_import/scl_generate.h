// Writes a large SCL file of the kind a substation engineering tool exports for one IED: many
// logical devices and nodes with instance values, data sets, report and GOOSE controls, and
// thousands of data type templates shared between them.
#pragma once

#include <string>

namespace bench {

// `scale` 1 gives about 10 MB; the size grows in proportion. The same scale always gives the
// same file.
void Generate_SCL(const std::string& path, int scale);

}  // namespace bench
