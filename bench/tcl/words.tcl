# Text processing: a text of n two-syllable words, read back character by
# character into words, each word counted in a list of distinct words found
# by a linear search (lsearch -exact).
proc main {n} {
    set syllables {ka lo mi ne tu ra si po}
    set seed 11
    set text ""
    for {set i 0} {$i < $n} {incr i} {
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        set first [lindex $syllables [expr {$seed - ($seed / 8) * 8}]]
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        set second [lindex $syllables [expr {$seed / 8 - ($seed / 64) * 8}]]
        append text $first $second " "
    }
    set words {}
    set counts {}
    set word ""
    set total 0
    foreach ch [split $text ""] {
        if {$ch eq " "} {
            set pos [lsearch -exact $words $word]
            if {$pos < 0} {
                set pos [llength $words]
                lappend words $word
                lappend counts 0
            }
            lset counts $pos [expr {[lindex $counts $pos] + 1}]
            incr total
            set word ""
        }
        if {$ch ne " "} {
            append word $ch
        }
    }
    set weighted 0
    set p 0
    foreach count $counts {
        incr p
        incr weighted [expr {$count * $p}]
    }
    set letters 0
    foreach w $words {
        incr letters [string length $w]
    }
    puts "CHECKSUM [llength $words] $total $weighted $letters"
}

main [lindex $argv 0]
