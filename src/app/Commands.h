// Headless subcommands of the pellucor executable. Each takes the
// subcommand's own argc/argv (argv[0] is the subcommand name) and returns
// the process exit code.
#pragma once

int RunSlideInfoCommand(int argc, char** argv);
int RunPublishCommand(int argc, char** argv);
int RunUploadCommand(int argc, char** argv);
int RunImportSlidesCommand(int argc, char** argv);
