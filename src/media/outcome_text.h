#pragma once

#include <string>

#include "core/byte_string.h"
#include "core/ui.h"

// The name (FNAM) of the opponent "play00" in an arena plug-in, up to its NUL and at most 31
// characters; empty when the plug-in holds no such record.
std::string OpponentName(const ByteString& plugin);

// What the status label says when a transplant has ended: which character went out and how
// much, which one arrived and how to meet it, or that nothing was written.
std::string OutcomeText(const TransplantOutcome& outcome);
// The same with the character's name given.
std::string OutcomeText(const TransplantOutcome& outcome, const std::string& name);
