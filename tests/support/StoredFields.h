// Every instrument and zone field that a project file stores: set to
// distinct values that no default has, and compared by name, for round-trip
// tests of the files and of the plug-in's state.
#pragma once

#include "Instrument.h"

#include <string>
#include <vector>

// Leaves the zone's sample, key and velocity ranges, root key and layer.
void FillStoredFields(KInstrument& instrument);
void FillStoredFields(KSampleZone& zone);

// The names of the stored fields that differ; empty when all agree.
std::vector<std::string> StoredFieldsDiffer(const KInstrument& a, const KInstrument& b);
std::vector<std::string> StoredFieldsDiffer(const KSampleZone& a, const KSampleZone& b);
