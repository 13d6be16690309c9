; eeprom877.asm - shows a pattern table from data EEPROM on PORTD of a PIC16F877.
;
; Every pass reads the next of eight bytes from data EEPROM and writes it to
; PORTD (eight LEDs), then waits about 100 ms at 4 MHz. The file also carries
; ID locations and initial data EEPROM contents, which sit above program memory.

        #include <p16f877.inc>
        errorlevel -302

        __CONFIG _XT_OSC & _WDT_OFF & _PWRTE_ON & _BODEN_ON & _LVP_OFF & _CPD_OFF & _WRT_ENABLE_ON & _CP_OFF
        __idlocs 0x1234

        cblock  0x20
          index
          count1
          count2
        endc

        org     0x0000
        goto    start

        org     0x0004
        retfie

start:
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISD                   ; PORTD all outputs
        bcf     STATUS, RP0
        clrf    index

show:
        movf    index, W
        call    readEeprom
        movwf   PORTD
        call    delay100ms
        incf    index, F
        movlw   b'00000111'             ; eight patterns, 0..7
        andwf   index, F
        goto    show

; W = data EEPROM byte at address W.
readEeprom:
        bsf     STATUS, RP1             ; bank 2
        movwf   EEADR
        bsf     STATUS, RP0             ; bank 3
        bcf     EECON1, EEPGD           ; data memory
        bsf     EECON1, RD
        bcf     STATUS, RP0             ; bank 2
        movf    EEDATA, W
        bcf     STATUS, RP1             ; bank 0
        return

; About 100 ms at 4 MHz (1 MHz instruction clock): 130 x 256 x 3 cycles.
delay100ms:
        movlw   d'130'
        movwf   count2
        clrf    count1
delayLoop:
        decfsz  count1, F
        goto    delayLoop
        decfsz  count2, F
        goto    delayLoop
        return

        org     0x2100                  ; data EEPROM
        de      0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80

        end
