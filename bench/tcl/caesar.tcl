# Caesar cipher over a text of n letters and blanks: each character looked
# up in the alphabet, shifted, and the text built again; decoded back,
# compared, and the vowels and a hash of the secret counted.
proc position {items item} {
    set index [string first $item $items]
    if {$index < 0} { return [string length $items] }
    return $index
}

proc shift {text by} {
    set letters abcdefghijklmnopqrstuvwxyz
    set out ""
    foreach ch [split $text ""] {
        set pos [position $letters $ch]
        if {$pos == 26} {
            append out $ch
        } else {
            append out [string index $letters [expr {($pos + $by) - (($pos + $by) / 26) * 26}]]
        }
    }
    return $out
}

proc main {n} {
    set letters abcdefghijklmnopqrstuvwxyz
    set seed 5
    set text ""
    for {set i 0} {$i < $n} {incr i} {
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        set pick [expr {$seed - ($seed / 32) * 32}]
        if {$pick >= 26} {
            append text " "
        } else {
            append text [string index $letters $pick]
        }
    }
    set secret [shift $text 3]
    set back [shift $secret 23]
    set same [expr {$back eq $text ? 1 : 0}]
    set found 0
    set hash 0
    foreach ch [split $secret ""] {
        if {[position aeiou $ch] < 5} { incr found }
        set pos [position $letters $ch]
        set hash [expr {($hash * 31 + $pos) - (($hash * 31 + $pos) / 1000003) * 1000003}]
    }
    puts "CHECKSUM [string length $secret] $same $found $hash"
}
main [lindex $argv 0]
