// What a server says it supports, from its answer to FEAT:
//
//   211-Extensions supported:
//    MDTM
//    REST STREAM
//    MLST type*;size*;modify*;
//    UTF8
//   211 End
//
// Each line between the first and the last that starts with a blank names one
// feature; the feature's name is the first word, its parameters follow.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The feature lines of a 211 reply, given as its lines arrived, without the
// leading blank and with trailing blanks removed ("REST STREAM"). A reply of
// one line lists none.
std::vector<std::string> ParseFeatureLines(const std::vector<std::string>& replyLines);

// True when one of `features` is named `name` (compared without regard to
// case; "rest" matches "REST STREAM").
bool ListsFeature(const std::vector<std::string>& features, std::string_view name);
