# Bubble sort of n pseudo-random numbers below 1000 on a list, swapping
# neighbours in place (lset); counts the swaps.
proc main {n} {
    set seed 7
    set values {}
    for {set i 0} {$i < $n} {incr i} {
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        lappend values [expr {$seed - ($seed / 1000) * 1000}]
    }
    set swaps 0
    for {set last [expr {$n - 1}]} {$last > 0} {incr last -1} {
        for {set j 0} {$j < $last} {incr j} {
            set a [lindex $values $j]
            set b [lindex $values [expr {$j + 1}]]
            if {$a > $b} {
                lset values $j $b
                lset values [expr {$j + 1}] $a
                incr swaps
            }
        }
    }
    set weighted 0
    set p 0
    foreach v $values {
        incr p
        incr weighted [expr {$v * $p}]
    }
    puts "CHECKSUM $swaps $weighted [lindex $values 0] [lindex $values end]"
}
main [lindex $argv 0]
