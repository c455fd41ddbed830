#pragma once

#define ICON_APP 100
