#pragma once
// The program's version, compiled in from the build (major, minor, patch, service pack).

struct ProgramVersion {
    unsigned major, minor, patch, servicePack;
};

ProgramVersion GetProgramVersion();
