// The DVD structure read with libdvdread: the title table and the title
// sets' program chains turned into the DVD information record.
#pragma once
#include <string>

#include "DvdInfo.h"

// False, with a line on standard error, when the path holds no DVD with a
// readable title. Titles that cannot be read are left out.
bool ReadDiscStructure(const std::string& path, dvd_info& info);
