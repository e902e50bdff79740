// The product version, "major.minor.patch".
#pragma once

const char* TabulonVersion();
