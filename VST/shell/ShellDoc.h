// The standalone host's document: it holds nothing; the view does the work.
#pragma once

#include "View.h"

class CShellDoc : public CDocument {};
