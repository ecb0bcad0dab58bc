#pragma once
// Verification-code extraction: finds the code in an SMS text by the user's rule (four modes, see
// ExtractRule.h). SMSManager extracts each arriving message with the rule copied from the
// settings; the dispatcher checks a rule before automatic extraction is switched on.

#include "numbers/ExtractRule.h"

#include <string>

namespace kh {

// True when the rule can find anything at all: mode 0 always; mode 1 with both keywords; modes 2
// and 3 with a keyword and a code length of at least 1.
bool IsRuleValid(const ExtractRule& rule);

// The verification code in sms by rule; empty when the rule is not valid or finds nothing.
std::u16string ExtractCodeByRule(const ExtractRule& rule, const std::u16string& sms);

} // namespace kh
