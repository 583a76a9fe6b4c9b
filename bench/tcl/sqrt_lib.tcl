# The ZIRN math library's sqrt: Newton's iteration until two successive
# estimates differ by less than the single-precision literal 0.0000000001.
binary scan [binary format f 0.0000000001] f tolerance
set ::TOLERANCE $tolerance

proc abs {a} {
    if {$a < 0} {
        return [expr {$a - $a * 2}]
    }
    return $a
}

proc sqrt {a} {
    set x [expr {double($a)}]
    if {$x < 2} {
        return $x
    }
    set y $x
    set z [expr {($y + $x / $y) / 2}]
    while {[abs [expr {$y - $z}]] >= $::TOLERANCE} {
        set y $z
        set z [expr {($y + $x / $y) / 2}]
    }
    return $z
}

proc main {n} {
    set acc 0
    for {set i 1} {$i <= $n} {incr i} {
        set r [sqrt $i]
        incr acc [expr {int($r * 1000 + 0.5)}]
    }
    puts "CHECKSUM $acc"
}

main [lindex $argv 0]
