#!/usr/bin/env python3
"""Writes the manual page and the bash completion from the program's own
--help texts, so that an option added to a command appears in both.

  helpdoc.py PROGRAM --man TEMPLATE OUT --completion TEMPLATE OUT

The top-level help lists the commands; every command whose help is asked
for with "dotscape NAME --help" is run for its options. A help text is read
as blocks: a line at the margin is a heading or a sentence, a line indented
by two spaces starts an item (a term, then its description from the
description column on), and a deeper line continues the item above it.
"""

import re
import subprocess
import sys


def run_help(program, args):
    done = subprocess.run([program, *args], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class Item:
    def __init__(self, term, text):
        self.term = term
        self.text = [text] if text else []

    def options(self):
        return re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", self.term)

    def choices(self):
        """The values of 'a | b | c' at the start of the description."""
        first = self.text[0] if self.text else ""
        match = re.match(r"^([a-z0-9-]+(?: \| [a-z0-9-]+)+)(?:[,;( ]|$)", first)
        return match.group(1).split(" | ") if match else []

    def argument(self):
        """The placeholder after the first option: FILE, DIR, N ..."""
        match = re.match(r"^(?:-\w, )?--?[\w-]+ ([A-Za-z][A-Za-z.|]*)", self.term)
        return match.group(1) if match else ""


def description_column(lines):
    indents = {}
    for line in lines:
        indent = len(line) - len(line.lstrip(" "))
        if indent > 2 and line.strip():
            indents[indent] = indents.get(indent, 0) + 1
    return max(indents, key=indents.get) if indents else 22


def parse(text):
    """[(kind, value)]: ('usage', str), ('heading', str), ('para', str),
    ('item', Item)."""
    lines = text.rstrip("\n").split("\n")
    column = description_column(lines)
    blocks = []
    for line in lines:
        indent = len(line) - len(line.lstrip(" "))
        body = line.strip()
        if not body:
            blocks.append(("blank", ""))
        elif indent == 0 and body.startswith("Usage:"):
            blocks.append(("usage", body[len("Usage:"):].strip()))
        elif indent == 0 and blocks and blocks[-1][0] == "usage" and not body.endswith(":"):
            blocks.append(("para", body))
        elif indent == 0:
            blocks.append(("heading" if body.endswith(":") else "para", body))
        elif indent > 2 and blocks and blocks[-1][0] == "item":
            blocks[-1][1].text.append(body)
        elif indent > 2 and blocks and blocks[-1][0] == "usage":
            blocks.append(("usage", body))
        elif indent > 2:
            blocks.append(("para", body))
        elif (len(line) > column and line[column - 1] == " " and line[column] not in " |-"
              and "  " not in line[2:column].rstrip()):
            blocks.append(("item", Item(line[2:column].strip(), line[column:].strip())))
        else:
            parts = re.split(r"\s{2,}", body, maxsplit=1)
            blocks.append(("item", Item(parts[0], parts[1] if len(parts) > 1 else "")))
    return blocks


class Command:
    def __init__(self, name, summary, blocks, own_help):
        self.name = name
        self.summary = summary
        self.blocks = blocks
        self.own_help = own_help

    def items(self):
        return [value for kind, value in self.blocks if kind == "item"]

    def options(self):
        return [option for item in self.items() for option in item.options()]


def read_program(program):
    _, top = run_help(program, ["--help"])
    top_blocks = parse(top)
    commands = []
    in_commands = False
    for kind, value in top_blocks:
        if kind == "heading":
            in_commands = value == "Commands:"
        elif kind == "blank" and commands:
            in_commands = False
        elif kind == "item" and in_commands:
            name = value.term.split()[0]
            summary = " ".join(value.text)
            blocks = []
            own_help = bool(re.search(r"dotscape %s --help" % re.escape(name), top))
            if own_help:
                status, text = run_help(program, [name, "--help"])
                if status != 0 or not text.startswith("Usage: dotscape " + name):
                    sys.exit("helpdoc: 'dotscape %s --help' gave no usage text" % name)
                blocks = parse(text)
            else:
                # A command without a help of its own: its options are those
                # its line in the top-level help shows.
                blocks = [("item", Item(option, "")) for option in value.options()]
            commands.append((Command(name, summary, blocks, own_help), value))
    if not commands:
        sys.exit("helpdoc: the program's --help lists no commands")
    return top_blocks, commands


# ---- the manual page -------------------------------------------------------

def roff_text(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def roff_term(term):
    out = []
    for token in re.split(r"(\s+|,|\|)", term):
        if token.startswith("-") and len(token) > 1:
            out.append("\\fB" + roff_text(token) + "\\fR")
        elif re.match(r"^\[?[A-Z][A-Z0-9.]*\]?\.*$", token) or re.match(r"^[A-Z]+\|[A-Z]+$", token):
            out.append("\\fI" + roff_text(token) + "\\fR")
        else:
            out.append(roff_text(token))
    return "".join(out)


def roff_blocks(blocks):
    out = []
    previous = ""
    for kind, value in blocks:
        if kind == "usage":
            out.append(".PP\n" + roff_term(value))
        elif kind == "heading":
            out.append(".PP\n\\fB" + roff_text(value.rstrip(":")) + "\\fR")
        elif kind == "para":
            out.append(roff_text(value) if previous == "para" else ".PP\n" + roff_text(value))
        elif kind == "item":
            out.append(".TP\n" + roff_term(value.term) + ("\n" + roff_text(" ".join(value.text)) if value.text else ""))
        previous = kind
    return "\n".join(out)


def man_page(template, top_blocks, commands):
    command_list = []
    details = []
    for command, item in commands:
        command_list.append(".TP\n" + roff_term(item.term) + "\n" + roff_text(" ".join(item.text)))
        if command.own_help:
            details.append(".SS \"dotscape %s\"\n%s" % (command.name, roff_blocks(command.blocks)))
    options = [item for kind, item in top_blocks if kind == "item" and item.term.startswith("-")]
    option_list = "\n".join(".TP\n" + roff_term(i.term) + "\n" + roff_text(" ".join(i.text)) for i in options)
    return (template.replace("@COMMANDS@", "\n".join(command_list))
            .replace("@COMMAND_DETAILS@", "\n".join(details))
            .replace("@GLOBAL_OPTIONS@", option_list))


# ---- the bash completion ---------------------------------------------------

def file_pattern(argument, pictures):
    if argument.upper().endswith(".RDS"):
        return "rds"
    if argument in ("DIR",):
        return "DIR"
    if argument in ("FILE", "OUT", "IN"):
        return pictures if argument != "FILE" else "FILE"
    return ""


def model_pattern(item):
    """stl|obj|... from a model option's "(STL, OBJ, PLY, glTF, 3MF, OFF)";
    glTF's binary form (.glb) goes with it."""
    match = re.search(r"\(([A-Za-z0-9]+(?:, [A-Za-z0-9]+)+)\)", " ".join(item.text))
    if not match:
        return ""
    names = [name.lower() for name in match.group(1).split(", ")]
    if "gltf" in names:
        names.insert(names.index("gltf") + 1, "glb")
    return "|".join(names)


def completion(template, top_blocks, commands):
    names = [command.name for command, _ in commands]
    formats = []
    for command, _ in commands:
        for item in command.items():
            if "--format" in item.options() and item.choices():
                formats = item.choices()
    pictures = "|".join(sorted(set(formats + (["jpeg"] if "jpg" in formats else []))))
    cases = []
    for command, _ in commands:
        value_cases = []
        for item in command.items():
            options = item.options()
            if not options:
                continue
            choices = item.choices()
            argument = item.argument()
            words = "|".join(options)
            if not choices and "--format" in options and formats:
                choices = formats
            if choices:
                value_cases.append("            %s) COMPREPLY=($(compgen -W '%s' -- \"$cur\")); return ;;"
                                   % (words, " ".join(choices)))
            elif argument:
                kind = file_pattern(argument, pictures)
                if kind == "DIR":
                    value_cases.append("            %s) _filedir -d; return ;;" % words)
                elif kind == "FILE" and "--picture" in options:
                    value_cases.append("            %s) _filedir '@(%s)'; return ;;" % (words, pictures))
                elif kind == "FILE" and "--model" in options and model_pattern(item):
                    value_cases.append("            %s) _filedir '@(%s)'; return ;;" % (words, model_pattern(item)))
                elif kind == "rds":
                    value_cases.append("            %s) _filedir rds; return ;;" % words)
                elif kind:
                    value_cases.append("            %s) _filedir; return ;;" % words)
                else:
                    value_cases.append("            %s) return ;;" % words)
        positional = "_filedir '@(%s|rds)'" % pictures if command.name == "info" else (
            "_filedir '@(%s)'" % pictures if command.name in ("convert", "reveal") else "")
        cases.append("        %s)\n            case \"$prev\" in\n%s\n            esac\n"
                     "            if [[ \"$cur\" == -* ]]; then\n"
                     "                COMPREPLY=($(compgen -W '%s' -- \"$cur\"))\n"
                     "            else\n                %s\n            fi\n            ;;"
                     % (command.name, "\n".join(value_cases) or "            *) ;;",
                        " ".join(dict.fromkeys(command.options() or ["--help"])), positional or ":"))
    top_options = [o for kind, item in top_blocks if kind == "item" and item.term.startswith("-")
                   for o in item.options()]
    return (template.replace("@COMMANDS@", " ".join(names))
            .replace("@TOP_OPTIONS@", " ".join(top_options))
            .replace("@PICTURES@", pictures)
            .replace("@COMMAND_CASES@", "\n".join(cases)))


def main(argv):
    if len(argv) != 8 or argv[2] != "--man" or argv[5] != "--completion":
        sys.exit(__doc__)
    top_blocks, commands = read_program(argv[1])
    with open(argv[3]) as f:
        page = man_page(f.read(), top_blocks, commands)
    with open(argv[6]) as f:
        script = completion(f.read(), top_blocks, commands)
    with open(argv[4], "w") as f:
        f.write(page)
    with open(argv[7], "w") as f:
        f.write(script)


if __name__ == "__main__":
    main(sys.argv)
