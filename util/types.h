// Domain types shared by the gateway and the engine.
#pragma once

#include <cstdint>

namespace zarix {

using Mfn = int32_t;         // master file number, records are 1 .. maxmfn-1
using FieldTag = int32_t;    // numeric field tag, 1 .. 99999
using Occurrence = int32_t;  // occurrence of a tag in a record, from 1
using TermPos = int32_t;     // word position inside an occurrence, 0 for whole-line terms

}  // namespace zarix
