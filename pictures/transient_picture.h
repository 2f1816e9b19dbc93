// The picture of a design's NAME_transient.csv: the input voltage (from
// 0 V just before the switch-on, with the amplifier's voltage where a
// high-pass filter sits before it), the pressure, the cone's excursion
// with Xmax and the port velocity or the radiator's excursion against time.
#pragma once

#include <string>

#include "pictures/csv_table.h"
#include "pictures/design_picture.h"

extern const char* const transient_table_header;

std::string transient_picture_script(const csv_table& table, const design_labels& labels, const std::string& output);
