// The hooks through which lower layers reach higher ones, connected once at start-up:
// the input service (the console and the command table's mode lists), the search's
// input poll, and the board's exchange evaluator for root move ordering.
#pragma once

void installLayerHooks();
