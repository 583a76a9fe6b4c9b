proc main {n} {
    set l {}
    for {set i 0} {$i < $n} {incr i} {
        lappend l $i
    }
    set s 0
    foreach e $l {
        incr s $e
    }
    set m [expr {$n / 100}]
    for {set j 0} {$j < $m} {incr j} {
        set p [expr {$j * 97 - ($j * 97 / $n) * $n}]
        incr s [lindex $l $p]
    }
    set len $n
    for {set j 0} {$j < $m} {incr j} {
        # [set l {}] drops the variable's reference so lreplace can work in place
        set l [lreplace $l[set l {}] [expr {$len - 1}] [expr {$len - 1}]]
        incr len -1
    }
    set t 0
    foreach e $l {
        incr t $e
    }
    puts "CHECKSUM $s $t [llength $l]"
}

main [lindex $argv 0]
