#pragma once
// Masks all floating-point exceptions (invalid, denormal, division by zero, overflow, underflow,
// inexact) for the rest of the run: a division by a zero duration gives a non-finite value, not a trap.
void maskFloatingPointExceptions();
