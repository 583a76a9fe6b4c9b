# Towers of Hanoi with the three pegs as lists: every move takes the top disk
# off one list and appends it to another.
proc hanoi {count source target spare} {
    global pegs moves weight
    if {$count > 0} {
        hanoi [expr {$count - 1}] $source $spare $target
        set src [lindex $pegs $source]
        set top [expr {[llength $src] - 1}]
        set disk [lindex $src $top]
        incr moves
        incr weight [expr {$disk * ($moves - ($moves / 7) * 7)}]
        lset pegs $target [concat [lindex $pegs $target] [list $disk]]
        lset pegs $source [lreplace $src[set src {}] $top $top]
        hanoi [expr {$count - 1}] $spare $target $source
    }
}

set n [lindex $argv 0]
set first {}
for {set k $n} {$k > 0} {incr k -1} {
    lappend first $k
}
set pegs [list $first {} {}]
set moves 0
set weight 0
hanoi $n 0 2 1
puts "CHECKSUM $moves $weight [llength [lindex $pegs 2]] [llength [lindex $pegs 0]]"
