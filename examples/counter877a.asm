; counter877a.asm - a seconds counter on a seven-segment display, PIC16F877A.
;
; Timer0 interrupts about 76 times a second at 20 MHz (prescaler 1:256); every
; 76th interrupt counts one second. The digit 0-9 goes to PORTD through a
; segment table placed in program memory page 1.

        #include <p16f877a.inc>
        errorlevel -302

        __CONFIG _HS_OSC & _WDT_OFF & _PWRTE_ON & _BOREN_ON & _LVP_OFF & _CPD_OFF & _WRT_OFF & _CP_OFF

        cblock  0x70                    ; shared in all banks
          savedW
          savedStatus
          ticks
          seconds
        endc

        org     0x0000
        goto    start

        org     0x0004
        movwf   savedW
        swapf   STATUS, W
        movwf   savedStatus
        bcf     INTCON, T0IF
        decfsz  ticks, F
        goto    isrDone
        movlw   d'76'
        movwf   ticks
        incf    seconds, F
        movlw   d'10'
        subwf   seconds, W
        btfsc   STATUS, Z
        clrf    seconds
isrDone:
        swapf   savedStatus, W
        movwf   STATUS
        swapf   savedW, F
        swapf   savedW, W
        retfie

start:
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISD                   ; segments a-g and dp on PORTD
        movlw   b'10000111'             ; Timer0 on the instruction clock, 1:256
        movwf   OPTION_REG
        bcf     STATUS, RP0             ; bank 0
        clrf    seconds
        movlw   d'76'
        movwf   ticks
        bsf     INTCON, T0IE
        bsf     INTCON, GIE

display:
        movf    seconds, W
        call    segments
        movwf   PORTD
        goto    display

; The segment table lives in page 1; PCLATH must point there for the call and
; for the computed jump.
segments:
        movwf   savedW
        movlw   high segmentTable
        movwf   PCLATH
        movf    savedW, W
        call    segmentTable
        clrf    PCLATH
        return

        org     0x0800
segmentTable:
        addwf   PCL, F
        retlw   b'00111111'             ; 0
        retlw   b'00000110'             ; 1
        retlw   b'01011011'             ; 2
        retlw   b'01001111'             ; 3
        retlw   b'01100110'             ; 4
        retlw   b'01101101'             ; 5
        retlw   b'01111101'             ; 6
        retlw   b'00000111'             ; 7
        retlw   b'01111111'             ; 8
        retlw   b'01101111'             ; 9

        end
