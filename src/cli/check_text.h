#pragma once

#include "core/diagnosis/diagnosis.h"

#include <QString>

// What --check prints after an answer: an empty line, the security grade
// and score, then one line per finding, "[level] category : sentence
// (reference)", worst first. Each line ends in LF.
QString CheckText(const diagnosis::Diagnosis &diagnosis);
