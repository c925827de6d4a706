#include "command_line.h"

#include <cstring>

namespace {

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiLetter(char c) {
    return asciiUpper(c) >= 'A' && asciiUpper(c) <= 'Z';
}

bool isSwitchStart(char c) {
    return c == '-' || c == '/';
}

// A long switch must be spelt out to the end of its argument, in any case.
bool isWholeWord(const char *text, const char *word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (asciiLower(text[i]) != word[i])
            return false;
    }
    return text[i] == '\0';
}

bool isDriveName(const char *argument) {
    return isAsciiLetter(argument[0]) && argument[1] == ':' && argument[2] == '\0';
}

const char *const kUsageLines[] = {
    "Make a formatted drive bootable for VxWorks\n",
    "usage:\n",
    nullptr,  // the three lines with the program name
    "    -h - display this message\n",
    "    -ownrisk\n",
    "        Indicate that you know, that working with direct disk access can make\n",
    "        the host computer completely unusable, and that using this program is\n",
    "        entirely your own risk, and authors and providers of this program do\n",
    "        not take any liability for whatever direct or indirect damages caused\n",
    "        by this program in any expected or unexpected situation, and do not\n",
    "        provide any guarantee or warrantee for any behaviour of the program.\n",
    "    -systemdrive\n",
    "        Allow writing to a system drive.\n",
    "        Attention! This will most likely make your computer completely unusable\n",
    "        and is only provided as method of last ressort. Not needed for making\n",
    "        data partitions bootable!\n",
    "    -ignore\n",
    "        Ignore errors. This will most likely make the affected drive unusable\n",
    "        or write unusable data into a file!\n",
    "    -f - Save the original bootsector of the drive to a file.\n",
    "    -r - Restore the bootsector for the drive from a file.\n",
    "    -b - Make bootsector bootable, but write to file instead of to bootsector.\n",
    "        VXLD.BIN is the default name for the above files\n",
};

}  // namespace

void programNameFromPath(const char *path, char *name, size_t size) {
    if (size == 0)
        return;
    const char *start = path;
    for (const char *at = path; *at != '\0'; ++at) {
        if (*at == '/' || *at == '\\' || *at == ':')
            start = at + 1;
    }
    size_t length = std::strlen(start);
    const char *dot = std::strrchr(start, '.');
    if (dot != nullptr)
        length = static_cast<size_t>(dot - start);
    if (length >= size)
        length = size - 1;
    std::memcpy(name, start, length);
    name[length] = '\0';
}

void printUsage(FILE *out, const char *programName) {
    for (const char *line : kUsageLines) {
        if (line != nullptr) {
            fputs(line, out);
            continue;
        }
        fprintf(out, "%s -h\n", programName);
        fprintf(out, "%s DRIVELETTER: -ownrisk [-systemdrive] [-ignore] [-f|-r|-b [filename]]\n",
                programName);
        fprintf(out, "%s -ownrisk -ignore -b [filename]\n", programName);
    }
}

int scanCommandLine(int argc, const char *const *argv, const char *programName,
                    RunOptions *options, FILE *out) {
    *options = RunOptions{};
    options->fileName = "";

    for (int index = 1; index < argc && argv[index][0] != '\0'; ++index) {
        const char *argument = argv[index];
        if (!isSwitchStart(argument[0])) {
            if (!isDriveName(argument)) {
                fprintf(out, "%s: Drivename expected\n", programName);
                printUsage(out, programName);
                return 0;
            }
            std::memcpy(options->driveName, argument, 3);
            continue;
        }
        for (const char *letter = argument + 1; *letter != '\0'; ++letter) {
            int *fileFlag = nullptr;
            switch (asciiUpper(*letter)) {
            case 'H':
            case '?':
                printUsage(out, programName);
                return 0;
            case 'O':
            case 'S':
            case 'I': {
                const char upper = asciiUpper(*letter);
                const char *word = upper == 'O' ? "ownrisk" : upper == 'S' ? "systemdrive" : "ignore";
                int *flag = upper == 'O' ? &options->ownRisk
                            : upper == 'S' ? &options->systemDrive
                                           : &options->ignore;
                if (!isWholeWord(letter, word)) {
                    printUsage(out, programName);
                    return 0;
                }
                *flag = 1;
                letter += std::strlen(letter) - 1;  // the word ends the group
                continue;
            }
            case 'F':
                fileFlag = &options->save;
                break;
            case 'R':
                fileFlag = &options->restore;
                break;
            case 'B':
                fileFlag = &options->toFile;
                break;
            default:
                fprintf(out, "%s: Invalid switch - /%c\n", programName, *letter);
                printUsage(out, programName);
                return 0;
            }
            *fileFlag = 1;
            // An empty argument ends the scan, so it never becomes a file name.
            const bool nameFollows = letter[1] == '\0' && index + 1 < argc &&
                                     argv[index + 1][0] != '\0' && !isSwitchStart(argv[index + 1][0]);
            if (nameFollows)
                options->fileName = argv[++index];
            else
                options->fileName = VXBOOTDISK_DEFAULT_FILE_NAME;
        }
    }

    const bool driveOptional = options->toFile && options->ignore;
    const int fileModes = options->save + options->restore + options->toFile;
    if (argc < 2 || !options->ownRisk || (options->driveName[0] == '\0' && !driveOptional) ||
        fileModes > 1) {
        printUsage(out, programName);
        return 0;
    }
    return 1;
}
