#include "foundation/SurveyState.h"

SurveyState g_Survey;
