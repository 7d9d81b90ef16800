#pragma once
#include "pipeline.h"

// Splits the lines into CSV/TSV cells, transposes and multiplies as the options say, and joins
// the table back into lines.
void ApplyTableStage(LineList& lines);
