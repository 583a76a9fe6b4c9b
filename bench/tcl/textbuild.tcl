# A text built from numbers through conversion commands (format, string
# length, double, int, a type test), then read back character by character.
proc main {n} {
    set s ""
    set width 0
    set half 0
    set ints 0
    for {set i 0} {$i < $n} {incr i} {
        set k [expr {($i * 7) - (($i * 7) / 1000) * 1000}]
        set t [format %d $k]
        append s $t
        append s ","
        incr width [string length $t]
        incr half [expr {int(double($k) / 2)}]
        if {[string is integer -strict $k]} {
            incr ints
        }
    }
    set total 0
    set count 0
    set cur 0
    foreach ch [split $s ""] {
        if {$ch eq ","} {
            incr total $cur
            incr count
            set cur 0
        }
        if {$ch ne ","} {
            set cur [expr {$cur * 10 + [scan $ch %d]}]
        }
    }
    puts "CHECKSUM [string length $s] $width $half $ints $total $count"
}

main [lindex $argv 0]
