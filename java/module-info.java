/** The Java face of libquonvop4j and its demo. */
module com.quon.vop {
    exports com.quon.vop;
}
