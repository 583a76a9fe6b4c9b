# The ZIRN dict library: two parallel lists, keys and values, searched linearly.
proc find {keys key} {
    set temp [lsearch -exact $keys $key]
    if {$temp < 0} {
        set temp [llength $keys]
    }
    return $temp
}

proc newdict {} {
    return [list {} {}]
}

proc insertdict {d key value} {
    lassign $d keys values
    set temp [find $keys $key]
    if {$temp != [llength $keys]} {
        set keys [lreplace $keys $temp $temp]
        set values [lreplace $values $temp $temp]
    }
    lappend keys $key
    lappend values $value
    return [list $keys $values]
}

proc getdict {d key} {
    lassign $d keys values
    return [lindex $values [find $keys $key]]
}

proc removedict {d key} {
    lassign $d keys values
    set temp [find $keys $key]
    set keys [lreplace $keys $temp $temp]
    set values [lreplace $values $temp $temp]
    return [list $keys $values]
}

proc main {n} {
    set d [newdict]
    for {set i 0} {$i < $n} {incr i} {
        set d [insertdict $d k$i $i]
    }
    set s 0
    for {set i 0} {$i < $n} {incr i} {
        incr s [getdict $d k$i]
    }
    for {set i 0} {$i < $n} {incr i 2} {
        set d [insertdict $d k$i [expr {$i * 3}]]
    }
    for {set i 0} {$i < $n} {incr i 5} {
        set d [removedict $d k$i]
    }
    set w 0
    set p 0
    foreach e [lindex $d 1] {
        incr p
        incr w [expr {$p * $e}]
    }
    puts "CHECKSUM $s $w $p"
}

main [lindex $argv 0]
