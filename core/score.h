// A house's score, recomputed every night and shown on every screen.
#pragma once

void ComputeScores();
