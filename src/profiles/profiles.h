// Output profiles: catalog, option sets, encoder mapping and quality presets.
#pragma once

#include "catalog.h"
#include "choice_list.h"
#include "codec_mapping.h"
#include "encoder_table.h"
#include "option_sets.h"
#include "profile_items.h"
#include "quality.h"
