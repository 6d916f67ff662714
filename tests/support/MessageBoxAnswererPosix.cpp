#include "MessageBoxAnswerer.h"

const bool MessageBoxAnswerer::kBoxesShown = false;

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption) : caption_(std::move(caption)) {}

MessageBoxAnswerer::~MessageBoxAnswerer() = default;

void MessageBoxAnswerer::Watch() {}

std::vector<MessageBoxAnswerer::Box> MessageBoxAnswerer::Answered() const { return {}; }

std::vector<std::wstring> MessageBoxAnswerer::Texts() const { return {}; }
