// Command handlers of this subsystem, listed in the command table.
#pragma once

#include <string>

void handleFen(const std::string& args);
void handleSetboard(const std::string& args);
void handleDisplay(const std::string& args);
void handleAutod(const std::string& args);
void handleUndo(const std::string& args);
void handleRedo(const std::string& args);
void handleUndoAll(const std::string& args);
void handleRedoAll(const std::string& args);
void handleRemove(const std::string& args);
void handleGoto(const std::string& args);
void handleUsermove(const std::string& args);
void handleMoveNow(const std::string& args);
void handleStatus(const std::string& args);
void handleAnalyze(const std::string& args);
void handleClock(const std::string& args);
void handleDraw(const std::string& args);
void handleEasy(const std::string& args);
void handleExit(const std::string& args);
void handleForce(const std::string& args);
void handleGo(const std::string& args);
void handleHard(const std::string& args);
void handleKibitz(const std::string& args);
void handleLevel(const std::string& args);
void handleNew(const std::string& args);
void handleQuit(const std::string& args);
void handleBlack(const std::string& args);
void handleWhite(const std::string& args);
void handleComputer(const std::string& args);
void handleIcs(const std::string& args);
void handleNopost(const std::string& args);
void handlePost(const std::string& args);
void handleOtim(const std::string& args);
void handleProtover(const std::string& args);
void handlePing(const std::string& args);
void handleResult(const std::string& args);
void handleSt(const std::string& args);
void handleSd(const std::string& args);
void handleTime(const std::string& args);
void handleXboard(const std::string& args);
void handleEndTest(const std::string& args);
void handleSetResign(const std::string& args);
void handleNoise(const std::string& args);
void handleShowPvh(const std::string& args);
void handleShowPvq(const std::string& args);
void handleLoad(const std::string& args);

// The UCI session's commands (game/uci.cpp); each waits for a running search where it must.
void handleUci(const std::string& args);
void handleIsReady(const std::string& args);
void handleSetOption(const std::string& args);
void handleUciNewGame(const std::string& args);
void handlePosition(const std::string& args);
void handleUciGo(const std::string& args);
void handleUciStop(const std::string& args);
void handlePonderHit(const std::string& args);
void handleUciQuit(const std::string& args);
