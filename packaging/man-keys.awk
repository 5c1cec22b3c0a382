# Fills in the KEYS section of the manual page from the "Keys" section of
# README.md, so the key list is written down once.
# Usage: awk -v out=FILE -f man-keys.awk README.md quadruped.6
# Each row of the README's table becomes a .TP entry (the key in bold), the
# text after the table follows as paragraphs; the page is copied to FILE with
# its line holding @KEYS@ replaced by them.

# Escapes troff's backslash and a leading control character; `code` is bold.
function roff(s) {
    gsub(/\\/, "\\e", s)
    while (match(s, /`[^`]+`/))
        s = substr(s, 1, RSTART - 1) "\\fB" substr(s, RSTART + 1, RLENGTH - 2) "\\fR" substr(s, RSTART + RLENGTH)
    if (s ~ /^[.']/)
        s = "\\&" s
    return s
}

FNR == NR {
    if (/^## /) {
        in_keys = ($0 == "## Keys")
        next
    }
    if (!in_keys)
        next
    if (/^\|/) {
        # The header row and the rule below it.
        if (/^\| *Key *\|/ || /^\|[-|: ]+$/)
            next
        row = $0
        sub(/^\| */, "", row)
        sub(/ *\| *$/, "", row)
        split_at = index(row, " | ")
        if (split_at == 0) {
            print "man-keys.awk: " FILENAME " line " FNR ": not a two-column row: " $0 > "/dev/stderr"
            failed = 1
            exit 2
        }
        key = substr(row, 1, split_at - 1)
        gsub(/`/, "", key)
        keys = keys ".TP\n\\fB" roff(key) "\\fR\n" roff(substr(row, split_at + 3)) "\n"
        rows++
    } else if (/^$/) {
        gap = 1
    } else if (rows > 0) {
        if (gap)
            keys = keys ".PP\n"
        gap = 0
        keys = keys roff($0) "\n"
    }
    next
}

/@KEYS@/ {
    printf "%s", keys > out
    next
}
{ print > out }

END {
    if (rows == 0 && !failed) {
        print "man-keys.awk: no Keys table in " ARGV[1] > "/dev/stderr"
        exit 2
    }
}
