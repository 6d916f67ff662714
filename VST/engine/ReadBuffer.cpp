#include "ReadBuffer.h"

KReadBuffer::KReadBuffer() : bytes(new uint8_t[kSize]()) {}

KReadBuffer::~KReadBuffer() { delete[] bytes; }
