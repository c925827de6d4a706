# scdoc opens a paragraph (.P) around every heading and indented block, where
# roff needs none; mandoc's lint flags each. Dropped: a .P right after the
# title or a heading, and one right before a heading, another .P, .RE or the end.
function is_heading(line) { return line ~ /^\.(TH|SH|SS)( |$)/ }
{
    if ($0 == ".P") {
        if (held || is_heading(previous)) next
        held = 1
        next
    }
    if (held && !is_heading($0) && $0 !~ /^\.(RE|P)( |$)/) print ".P"
    held = 0
    print
    previous = $0
}
