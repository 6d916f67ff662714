#include "MessageBoxAnswerer.h"

const bool MessageBoxAnswerer::kBoxesShown = false;

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption, int button, unsigned long process)
    : caption_(std::move(caption)), button_(button), process_(process) {}

MessageBoxAnswerer::~MessageBoxAnswerer() = default;

void MessageBoxAnswerer::Watch() { (void)button_, (void)process_; }

std::vector<MessageBoxAnswerer::Box> MessageBoxAnswerer::Answered() const { return {}; }

std::vector<std::wstring> MessageBoxAnswerer::Texts() const { return {}; }
