// The scan of the switches and the drive name, and the usage text.
#include "command_line.h"

#include <cstring>

namespace ombix::bootdisk {

namespace {

char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_ascii_letter(char c) {
    return ascii_upper(c) >= 'A' && ascii_upper(c) <= 'Z';
}

bool is_switch_start(char c) {
    return c == '-' || c == '/';
}

// A long switch must be spelt out to the end of its argument, in any case.
bool is_whole_word(const char *text, const char *word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (ascii_lower(text[i]) != word[i]) return false;
    }
    return text[i] == '\0';
}

bool is_drive_name(const char *argument) {
    return is_ascii_letter(argument[0]) && argument[1] == ':' && argument[2] == '\0';
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

void program_name_from_path(const char *path, char *name, size_t size) {
    if (size == 0) return;
    const char *start = path;
    for (const char *at = path; *at != '\0'; ++at) {
        if (*at == '/' || *at == '\\' || *at == ':') start = at + 1;
    }
    size_t length = std::strlen(start);
    const char *dot = std::strrchr(start, '.');
    if (dot != nullptr) length = static_cast<size_t>(dot - start);
    if (length >= size) length = size - 1;
    std::memcpy(name, start, length);
    name[length] = '\0';
}

void print_usage(FILE *out, const char *program_name) {
    for (const char *line : kUsageLines) {
        if (line != nullptr) {
            fputs(line, out);
            continue;
        }
        fprintf(out, "%s -h\n", program_name);
        fprintf(out, "%s DRIVELETTER: -ownrisk [-systemdrive] [-ignore] [-f|-r|-b [filename]]\n", program_name);
        fprintf(out, "%s -ownrisk -ignore -b [filename]\n", program_name);
    }
}

bool scan_command_line(int argc, const char *const *argv, const char *program_name, RunOptions *options, FILE *out) {
    *options = RunOptions{};
    options->file_name = "";

    for (int index = 1; index < argc && argv[index][0] != '\0'; ++index) {
        const char *argument = argv[index];
        if (!is_switch_start(argument[0])) {
            if (!is_drive_name(argument)) {
                fprintf(out, "%s: Drivename expected\n", program_name);
                print_usage(out, program_name);
                return false;
            }
            std::memcpy(options->drive_name, argument, 3);
            continue;
        }
        for (const char *letter = argument + 1; *letter != '\0'; ++letter) {
            bool *file_flag = nullptr;
            switch (ascii_upper(*letter)) {
                case 'H':
                case '?': print_usage(out, program_name); return false;
                case 'O':
                case 'S':
                case 'I': {
                    const char upper = ascii_upper(*letter);
                    const char *word = upper == 'O' ? "ownrisk" : upper == 'S' ? "systemdrive" : "ignore";
                    bool *flag = upper == 'O'   ? &options->own_risk
                                 : upper == 'S' ? &options->system_drive
                                                : &options->ignore;
                    if (!is_whole_word(letter, word)) {
                        print_usage(out, program_name);
                        return false;
                    }
                    *flag = true;
                    letter += std::strlen(letter) - 1;  // the word ends the group
                    continue;
                }
                case 'F': file_flag = &options->save; break;
                case 'R': file_flag = &options->restore; break;
                case 'B': file_flag = &options->to_file; break;
                default:
                    fprintf(out, "%s: Invalid switch - /%c\n", program_name, *letter);
                    print_usage(out, program_name);
                    return false;
            }
            *file_flag = true;
            // An empty argument ends the scan, so it never becomes a file name.
            const bool name_follows = letter[1] == '\0' && index + 1 < argc && argv[index + 1][0] != '\0' &&
                                      !is_switch_start(argv[index + 1][0]);
            if (name_follows)
                options->file_name = argv[++index];
            else
                options->file_name = kDefaultFileName;
        }
    }

    const bool drive_optional = options->to_file && options->ignore;
    const int file_modes = int{options->save} + int{options->restore} + int{options->to_file};
    if (argc < 2 || !options->own_risk || (options->drive_name[0] == '\0' && !drive_optional) || file_modes > 1) {
        print_usage(out, program_name);
        return false;
    }
    return true;
}

}  // namespace ombix::bootdisk
